-- QLNVWork.mdb from version 4 to 5: the customer window's copy carries the customers'
-- registration numbers and electronic addresses.
ALTER TABLE "w顧客マスタ" ADD COLUMN "登録番号" TEXT;
ALTER TABLE "w顧客マスタ" ADD COLUMN "電子アドレス" TEXT;
