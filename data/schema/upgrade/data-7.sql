-- QLNVData.mdb from version 6 to 7: the archive of issued invoices. What the program issued
-- (printed, saved as PDF, written as an electronic invoice) is kept as issued, and every issue,
-- correction and deletion is a record of a hash chain, so that a change made behind the
-- program's back is found. The program only ever adds rows to these tables.
CREATE TABLE "保存書類" (
    "書類番号"     INTEGER NOT NULL,
    "伝票番号"     INTEGER NOT NULL,
    "内容指紋"     TEXT NOT NULL,
    "電子"         INTEGER NOT NULL DEFAULT 0 CHECK ("電子" IN (0, 1)),
    "日付"         TEXT CHECK ("日付" IS date("日付", '+0 days')),
    "顧客名"       TEXT NOT NULL,
    "請求金額"     INTEGER NOT NULL,
    "書類ハッシュ" TEXT NOT NULL
);
CREATE UNIQUE INDEX "保存書類_書類番号" ON "保存書類" ("書類番号");
CREATE UNIQUE INDEX "保存書類_伝票番号_内容指紋" ON "保存書類" ("伝票番号", "内容指紋", "電子");
CREATE INDEX "保存書類_日付" ON "保存書類" ("日付", "伝票番号", "書類番号");
CREATE INDEX "保存書類_請求金額" ON "保存書類" ("請求金額");
CREATE TABLE "保存書類内容" (
    "書類番号" INTEGER NOT NULL,
    "PDF"      BLOB NOT NULL,
    "XML"      BLOB
);
CREATE UNIQUE INDEX "保存書類内容_書類番号" ON "保存書類内容" ("書類番号");
CREATE TABLE "保存記録" (
    "連番"           INTEGER NOT NULL,
    "種別"           TEXT NOT NULL CHECK ("種別" IN ('発行', '訂正', '削除')),
    "方法"           TEXT,
    "日時"           TEXT NOT NULL,
    "伝票番号"       INTEGER NOT NULL,
    "書類番号"       INTEGER,
    "書類ハッシュ"   TEXT,
    "内容指紋"       TEXT,
    "訂正前税抜計"   INTEGER,
    "訂正前消費税"   INTEGER,
    "訂正前請求金額" INTEGER,
    "訂正後税抜計"   INTEGER,
    "訂正後消費税"   INTEGER,
    "訂正後請求金額" INTEGER,
    "前ハッシュ"     TEXT NOT NULL,
    "記録ハッシュ"   TEXT NOT NULL
);
CREATE UNIQUE INDEX "保存記録_連番" ON "保存記録" ("連番");
CREATE INDEX "保存記録_書類番号" ON "保存記録" ("書類番号", "種別", "連番");
CREATE INDEX "保存記録_伝票番号" ON "保存記録" ("伝票番号", "連番");
