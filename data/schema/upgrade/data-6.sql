-- QLNVData.mdb from version 5 to 6: electronic invoices. The own Peppol participant id
-- ("0188:" and the 13 digits of the registration number, or another scheme:id) and, for each
-- customer, their registration number ("T" and 13 digits) and participant id.
ALTER TABLE "自社情報" ADD COLUMN "電子アドレス" TEXT;
ALTER TABLE "顧客マスタ" ADD COLUMN "登録番号" TEXT;
ALTER TABLE "顧客マスタ" ADD COLUMN "電子アドレス" TEXT;
