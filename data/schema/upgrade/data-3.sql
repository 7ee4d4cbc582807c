-- QLNVData.mdb from version 2 to 3: the bank account lines and the rule for payment due dates
-- in the settings row, and the due date of each invoice, at the end of their tables as
-- data.sql has them. Invoices stored before have no due date.
ALTER TABLE "自社情報" ADD COLUMN "振込先" TEXT;
ALTER TABLE "自社情報" ADD COLUMN "支払期限" TEXT;
ALTER TABLE "自社情報" ADD COLUMN "支払期限日数" INTEGER;
ALTER TABLE "請求書ヘッダ" ADD COLUMN "支払期限" TEXT CHECK ("支払期限" IS date("支払期限", '+0 days'));
