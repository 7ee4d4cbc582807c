-- QLNVData.mdb from version 3 to 4: the history lists newest first by date and then number,
-- so the date index carries both keys in that order and the list needs no sort.
DROP INDEX "請求書ヘッダ_日付";
CREATE INDEX "請求書ヘッダ_日付" ON "請求書ヘッダ" ("日付" DESC, "伝票番号" DESC);
