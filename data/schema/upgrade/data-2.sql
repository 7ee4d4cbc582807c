-- QLNVData.mdb from version 1 to 2: tax rates and qualified invoices, the folders of PDFs and
-- backups and the time of the last backup. Every column is added
-- at the end of its table, as data.sql has it. Rows stored before keep Null in the invoice
-- columns (taxed at 5 %, no amounts per rate) and 0 in the flags.
ALTER TABLE "自社情報" ADD COLUMN "消費税率" REAL DEFAULT 0.05;
ALTER TABLE "自社情報" ADD COLUMN "登録番号" TEXT;
ALTER TABLE "自社情報" ADD COLUMN "PDF保存先" TEXT;
ALTER TABLE "自社情報" ADD COLUMN "バックアップ先" TEXT;
ALTER TABLE "自社情報" ADD COLUMN "最終バックアップ" TEXT;
ALTER TABLE "自社情報" ADD COLUMN "バックアップ間隔" INTEGER DEFAULT 7;
ALTER TABLE "商品マスタ" ADD COLUMN "軽減税率" INTEGER DEFAULT 0 CHECK ("軽減税率" IN (0, 1));
ALTER TABLE "請求書ヘッダ" ADD COLUMN "消費税率" REAL;
ALTER TABLE "請求書ヘッダ" ADD COLUMN "標準税率対象" INTEGER;
ALTER TABLE "請求書ヘッダ" ADD COLUMN "標準税率消費税" INTEGER;
ALTER TABLE "請求書ヘッダ" ADD COLUMN "軽減税率対象" INTEGER;
ALTER TABLE "請求書ヘッダ" ADD COLUMN "軽減税率消費税" INTEGER;
ALTER TABLE "請求書" ADD COLUMN "軽減税率" INTEGER DEFAULT 0 CHECK ("軽減税率" IN (0, 1));
