-- QLNVWork.mdb: the scratch tables behind the grids and lists. Each screen empties and
-- refills its own tables; nothing here outlives a screen's use.
--
-- Kinds as in the data file. A yes/no here is never Null: the grids show it as a check
-- box and the sums select with "= 0", so a Null written into one becomes 0 (the NOT NULL
-- conflict is resolved by putting in the default). Column order matters: lines move
-- between w明細 and w明細ソート with SELECT *.
-- Bump db::WorkFileVersion with every change of this file, and add the step that brings a
-- file of the version before to it (schema/upgrade/work-N.sql); new columns go at the end.

-- The detail lines of the invoice being edited: always 99 rows, 行番号 1 to 99.
-- The key is the line number, so rows come in line order and the grid model has a key.
CREATE TABLE "w明細" (
    "行番号"   INTEGER PRIMARY KEY,
    "品名"     TEXT,
    "入数"     TEXT,
    "数量"     REAL,
    "単位"     TEXT,
    "単価"     REAL,
    "金額"     INTEGER,
    "小計"     INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("小計" IN (0, 1)),
    "非課税"   INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("非課税" IN (0, 1)),
    "ふりがな" TEXT,
    "軽減税率" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("軽減税率" IN (0, 1)) -- version 2
);

-- Scratch copy of w明細 while lines are shifted; may briefly hold a line number twice.
CREATE TABLE "w明細ソート" (
    "行番号"   INTEGER,
    "品名"     TEXT,
    "入数"     TEXT,
    "数量"     REAL,
    "単位"     TEXT,
    "単価"     REAL,
    "金額"     INTEGER,
    "小計"     INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("小計" IN (0, 1)),
    "非課税"   INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("非課税" IN (0, 1)),
    "ふりがな" TEXT,
    "軽減税率" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("軽減税率" IN (0, 1)) -- version 2
);
CREATE INDEX "w明細ソート_行番号" ON "w明細ソート" ("行番号");

-- The history list, filled newest first; the rows keep that order (no integer key), and a
-- tick is written to its row by rowid.
CREATE TABLE "w履歴リスト" (
    "伝票番号" INTEGER,
    "日付"     TEXT CHECK ("日付" IS date("日付", '+0 days')),
    "顧客名"   TEXT,
    "件名"     TEXT,
    "チェック" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("チェック" IN (0, 1)),
    "請求金額" INTEGER, -- version 2: the list shows the amount invoiced
    "支払期限" TEXT CHECK ("支払期限" IS date("支払期限", '+0 days')) -- version 3: and the due date
);

-- Drop-down lists of the detail grid.
CREATE TABLE "w商品参照" (
    "品名"     TEXT,
    "入数"     TEXT,
    "単位"     TEXT,
    "単価"     REAL,
    "非課税"   INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("非課税" IN (0, 1)),
    "ふりがな" TEXT,
    "軽減税率" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("軽減税率" IN (0, 1)) -- version 2
);
CREATE INDEX "w商品参照_品名" ON "w商品参照" ("品名");

CREATE TABLE "w単位参照" (
    "sname" TEXT
);

CREATE TABLE "w入数参照" (
    "sname" TEXT
);

-- Edit copies of the masters; the grids show the rows in the order they were filled.
CREATE TABLE "w顧客マスタ" (
    "顧客名"   TEXT,
    "顧客情報" TEXT,
    "ふりがな" TEXT,
    "敬称"     TEXT,
    "チェック" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("チェック" IN (0, 1)),
    -- Version 5, after the tick as an upgraded file has them.
    "登録番号"     TEXT,
    "電子アドレス" TEXT
);
CREATE INDEX "w顧客マスタ_顧客名" ON "w顧客マスタ" ("顧客名");

CREATE TABLE "w商品マスタ" (
    "品名"     TEXT,
    "入数"     TEXT,
    "単位"     TEXT,
    "単価"     REAL,
    "非課税"   INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("非課税" IN (0, 1)),
    "ふりがな" TEXT,
    "チェック" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("チェック" IN (0, 1)),
    "軽減税率" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("軽減税率" IN (0, 1)) -- version 2
);
CREATE INDEX "w商品マスタ_品名" ON "w商品マスタ" ("品名");

-- The 99 slots of one code table. 行番号 is given in insertion order when left out.
CREATE TABLE "wコードマスタ" (
    "行番号"   INTEGER PRIMARY KEY,
    "チェック" INTEGER NOT NULL ON CONFLICT REPLACE DEFAULT 0 CHECK ("チェック" IN (0, 1)),
    "code"     TEXT,
    "sname"    TEXT
);
CREATE UNIQUE INDEX "wコードマスタ_code" ON "wコードマスタ" ("code");

-- Filled by the postal-code search window: the cities of a prefecture, and the results.
CREATE TABLE "郵便番号_市町村漢字" (
    "市町村漢字" TEXT
);

CREATE TABLE "w郵便番号" (
    "番号"       TEXT,
    "県かな"     TEXT,
    "市町村かな" TEXT,
    "町名かな"   TEXT,
    "県漢字"     TEXT,
    "市町村漢字" TEXT,
    "町名漢字"   TEXT
);
