-- QLNVWork.mdb from version 1 to 2: the reduced-rate flag of lines and products and the amount
-- invoiced of the history list, at the end of each table as work.sql has it (w明細 and
-- w明細ソート keep the same column order).
ALTER TABLE "w明細" ADD COLUMN "軽減税率" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("軽減税率" IN (0, 1));
ALTER TABLE "w明細ソート" ADD COLUMN "軽減税率" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("軽減税率" IN (0, 1));
ALTER TABLE "w商品参照" ADD COLUMN "軽減税率" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("軽減税率" IN (0, 1));
ALTER TABLE "w履歴リスト" ADD COLUMN "請求金額" INTEGER;
ALTER TABLE "w商品マスタ" ADD COLUMN "軽減税率" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("軽減税率" IN (0, 1));
