-- QLNVData.mdb from version 4 to 5: what lets several PCs share the data without one undoing
-- another's work. Each stored invoice and the settings row carry a row version raised by every
-- save of theirs (Null: stored before, counts as 0); each master has a change number raised by
-- every write to it, so that a window's copy read before another's write is not registered
-- over it.
ALTER TABLE "自社情報" ADD COLUMN "更新番号" INTEGER;
ALTER TABLE "請求書ヘッダ" ADD COLUMN "更新番号" INTEGER;
CREATE TABLE "マスタ更新" (
    "表名"     TEXT NOT NULL,
    "更新番号" INTEGER NOT NULL
);
CREATE UNIQUE INDEX "マスタ更新_表名" ON "マスタ更新" ("表名");
