-- QLNVWork.mdb from version 2 to 3: the history list shows each invoice's payment due date.
ALTER TABLE "w履歴リスト" ADD COLUMN "支払期限" TEXT CHECK ("支払期限" IS date("支払期限", '+0 days'));
