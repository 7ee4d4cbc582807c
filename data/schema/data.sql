-- QLNVData.mdb: masters, stored invoices and the settings row.
--
-- Kinds: text TEXT, long INTEGER, number REAL, amount INTEGER (whole yen),
-- date TEXT as YYYY-MM-DD, yes/no INTEGER 0/1. Every column may hold Null; readers
-- take Null as empty text or zero. A yes/no written without a value starts as 0.
-- The checks catch a wrong kind at the write instead of a wrong sum or order later:
-- a yes/no is 0 or 1 (not the text "True", not -1), a date is a real ISO date, so
-- that text comparison and ORDER BY 日付 follow the calendar.
-- Bump db::DataFileVersion with every change of this file, and add the step that brings a
-- file of the version before to it (schema/upgrade/data-N.sql). New columns go at the end of
-- their table, where ALTER TABLE puts them, so that a new file and an upgraded one agree.

-- Settings and own-company information; one row, written by the settings tab.
CREATE TABLE "自社情報" (
    "自社名"           TEXT,
    "自社情報"         TEXT,
    "年号"             TEXT,
    "税端数"           TEXT,
    "税区分"           TEXT,
    "商品表示順"       TEXT,
    "印刷用紙"         TEXT,
    "小数"             TEXT,
    "行端数"           TEXT,
    "顧客リンクアプリ" TEXT,
    "顧客リンクパス"   TEXT,
    "商品リンクアプリ" TEXT,
    "商品リンクパス"   TEXT,
    "白紙TopMargin"    REAL,
    "白紙LeftMargin"   REAL,
    "S101TopMargin"    REAL,
    "S101LeftMargin"   REAL,
    "白紙罫線色"       INTEGER,
    "入数列タイトル"   TEXT,
    "最大請求書番号"   INTEGER,
    "YubinLocalEriaSw" INTEGER DEFAULT 0 CHECK ("YubinLocalEriaSw" IN (0, 1)),
    "YubinLocalEria"   TEXT,
    -- Version 2: the consumption tax rate (0.05, 0.08 or 0.1) and the issuer's registration
    -- number for qualified invoices ("T" and 13 digits).
    "消費税率"         REAL DEFAULT 0.05,
    "登録番号"         TEXT,
    -- Version 2 too: the folder PDFs were last saved to, the backups' folder, when the last
    -- backup was taken (ISO date and time) and after how many days the start-up reminds.
    "PDF保存先"        TEXT,
    "バックアップ先"   TEXT,
    "最終バックアップ" TEXT,
    "バックアップ間隔" INTEGER DEFAULT 7,
    -- Version 3: the bank account lines printed on the invoices, and how a new invoice's
    -- payment due date is set (Null: none; "翌月末"; "日数指定" with 支払期限日数 days).
    "振込先"           TEXT,
    "支払期限"         TEXT,
    "支払期限日数"     INTEGER,
    -- Version 5: raised by every save of the settings (not by the counter's moves), so that
    -- settings read before another PC's save are not saved over it unasked. Null counts as 0.
    "更新番号"         INTEGER,
    -- Version 6: the own electronic address for electronic invoices (a Peppol participant id
    -- as scheme:id; Null: "0188:" and the 13 digits of 登録番号).
    "電子アドレス"     TEXT
);

CREATE TABLE "顧客マスタ" (
    "顧客名"   TEXT,
    "顧客情報" TEXT,
    "ふりがな" TEXT,
    "敬称"     TEXT,
    -- Version 6: the customer's registration number ("T" and 13 digits) and electronic address
    -- (scheme:id), both for electronic invoices.
    "登録番号"     TEXT,
    "電子アドレス" TEXT
);
-- Customers are found by name; the lists are ordered by reading.
CREATE UNIQUE INDEX "顧客マスタ_顧客名" ON "顧客マスタ" ("顧客名");
CREATE INDEX "顧客マスタ_ふりがな" ON "顧客マスタ" ("ふりがな");

CREATE TABLE "商品マスタ" (
    "品名"     TEXT,
    "入数"     TEXT,
    "単位"     TEXT,
    "単価"     REAL,
    "非課税"   INTEGER DEFAULT 0 CHECK ("非課税" IN (0, 1)),
    "ふりがな" TEXT,
    -- Version 2: taxed at the reduced rate (8 %) when the rate is 10 %.
    "軽減税率" INTEGER DEFAULT 0 CHECK ("軽減税率" IN (0, 1))
);
-- Products are found by name; the lists are ordered by name or by reading.
CREATE UNIQUE INDEX "商品マスタ_品名" ON "商品マスタ" ("品名");
CREATE INDEX "商品マスタ_ふりがな" ON "商品マスタ" ("ふりがな");

-- Code tables: 99 slots "01".."99" per kcode; sname Null marks a free slot.
CREATE TABLE "コードマスタ" (
    "kcode" TEXT,
    "code"  TEXT,
    "sname" TEXT
);
-- One row per slot; also the order of every code list.
CREATE UNIQUE INDEX "コードマスタ_kcode_code" ON "コードマスタ" ("kcode", "code");

CREATE TABLE "請求書ヘッダ" (
    "伝票番号" INTEGER,
    "日付"     TEXT CHECK ("日付" IS date("日付", '+0 days')),
    "顧客名"   TEXT,
    "顧客情報" TEXT,
    "敬称"     TEXT,
    "件名"     TEXT,
    "メモ"     TEXT,
    "税抜計"   INTEGER,
    "消費税"   INTEGER,
    "合計"     INTEGER,
    "請求金額" INTEGER,
    -- Version 2: the rate the invoice was taxed at (Null: stored before, 0.05) and its
    -- taxable sum and tax per rate (standard: the rate; reduced: 8 % beside 10 %).
    "消費税率"       REAL,
    "標準税率対象"   INTEGER,
    "標準税率消費税" INTEGER,
    "軽減税率対象"   INTEGER,
    "軽減税率消費税" INTEGER,
    -- Version 3: the payment due date (Null: none).
    "支払期限"       TEXT CHECK ("支払期限" IS date("支払期限", '+0 days')),
    -- Version 5: the row version, raised by every save of the invoice (Null: stored before,
    -- counts as 0). A save replaces only the version it was read at, unless the user says so.
    "更新番号"       INTEGER
);
CREATE UNIQUE INDEX "請求書ヘッダ_伝票番号" ON "請求書ヘッダ" ("伝票番号");
-- The history search filters by date range, or by customer and date range, newest first (by
-- date, then number: the whole list is read in this index's order).
CREATE INDEX "請求書ヘッダ_日付" ON "請求書ヘッダ" ("日付" DESC, "伝票番号" DESC);
CREATE INDEX "請求書ヘッダ_顧客名_日付" ON "請求書ヘッダ" ("顧客名", "日付");

-- The lines of a stored invoice; 行番号 counts from 0 within the invoice.
CREATE TABLE "請求書" (
    "伝票番号" INTEGER,
    "顧客名"   TEXT,
    "日付"     TEXT CHECK ("日付" IS date("日付", '+0 days')),
    "伝票区分" INTEGER,
    "行番号"   INTEGER,
    "品名"     TEXT,
    "入数"     TEXT,
    "数量"     REAL,
    "単位"     TEXT,
    "単価"     REAL,
    "金額"     INTEGER,
    "小計"     INTEGER DEFAULT 0 CHECK ("小計" IN (0, 1)),
    "非課税"   INTEGER DEFAULT 0 CHECK ("非課税" IN (0, 1)),
    "ふりがな" TEXT,
    "軽減税率" INTEGER DEFAULT 0 CHECK ("軽減税率" IN (0, 1)) -- version 2
);
-- Lines are read and deleted by invoice number, in this order.
CREATE INDEX "請求書_伝票番号" ON "請求書" ("伝票番号", "伝票区分", "行番号");

-- Version 5: a change number per master (顧客マスタ, 商品マスタ, コードマスタ), raised by every
-- write to it; a master without a row has not changed (0).
CREATE TABLE "マスタ更新" (
    "表名"     TEXT NOT NULL,
    "更新番号" INTEGER NOT NULL
);
CREATE UNIQUE INDEX "マスタ更新_表名" ON "マスタ更新" ("表名");

-- Version 7: the archive of issued invoices, kept as issued (保存書類, its bytes apart in
-- 保存書類内容 so that the search reads narrow rows), and a hash chain of what happened to them
-- (保存記録): 発行 with how, 訂正 with the totals before and after and the new content's
-- fingerprint, 削除. The program only adds
-- rows; data/Archive.h.
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

-- Prefectures in JIS order, spelled as the postal dictionary spells 県漢字.
CREATE TABLE "都道府県" (
    "都道府県コード" TEXT,
    "都道府県"       TEXT
);
CREATE UNIQUE INDEX "都道府県_都道府県コード" ON "都道府県" ("都道府県コード");

INSERT INTO "都道府県" ("都道府県コード", "都道府県") VALUES
    ('01', '北海道'),   ('02', '青森県'),   ('03', '岩手県'),   ('04', '宮城県'),
    ('05', '秋田県'),   ('06', '山形県'),   ('07', '福島県'),   ('08', '茨城県'),
    ('09', '栃木県'),   ('10', '群馬県'),   ('11', '埼玉県'),   ('12', '千葉県'),
    ('13', '東京都'),   ('14', '神奈川県'), ('15', '新潟県'),   ('16', '富山県'),
    ('17', '石川県'),   ('18', '福井県'),   ('19', '山梨県'),   ('20', '長野県'),
    ('21', '岐阜県'),   ('22', '静岡県'),   ('23', '愛知県'),   ('24', '三重県'),
    ('25', '滋賀県'),   ('26', '京都府'),   ('27', '大阪府'),   ('28', '兵庫県'),
    ('29', '奈良県'),   ('30', '和歌山県'), ('31', '鳥取県'),   ('32', '島根県'),
    ('33', '岡山県'),   ('34', '広島県'),   ('35', '山口県'),   ('36', '徳島県'),
    ('37', '香川県'),   ('38', '愛媛県'),   ('39', '高知県'),   ('40', '福岡県'),
    ('41', '佐賀県'),   ('42', '長崎県'),   ('43', '熊本県'),   ('44', '大分県'),
    ('45', '宮崎県'),   ('46', '鹿児島県'), ('47', '沖縄県');

-- Every code table starts with its 99 slots, so that an invoice can put a new unit or
-- pack size into the first free one. The common units fill the first unit slots; the
-- pack-size table is keyed by its default column title and starts empty.
INSERT INTO "コードマスタ" ("kcode", "code", "sname") VALUES
    ('単位', '01', '個'),   ('単位', '02', '本'), ('単位', '03', '枚'), ('単位', '04', '箱'),
    ('単位', '05', '式'),   ('単位', '06', '台'), ('単位', '07', '冊'), ('単位', '08', '回'),
    ('単位', '09', '時間'), ('単位', '10', '日'), ('単位', '11', '月'), ('単位', '12', 'kg'),
    ('単位', '13', 'm');

INSERT INTO "コードマスタ" ("kcode", "code", "sname")
    WITH RECURSIVE "slot"("n") AS (SELECT 1 UNION ALL SELECT "n" + 1 FROM "slot" WHERE "n" < 99)
    SELECT '単位', printf('%02d', "n"), NULL FROM "slot" WHERE "n" > 13
    UNION ALL
    SELECT '入数', printf('%02d', "n"), NULL FROM "slot";
