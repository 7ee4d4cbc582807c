-- QLNVWork.mdb from version 3 to 4: a tick in the history list is written to its row by rowid,
-- so the list needs no index of its numbers (which cost a third of filling a long list).
DROP INDEX "w履歴リスト_伝票番号";
