#!/usr/bin/env bash
# Adds N generated quotes (5 to 40 words; every tenth with a second line) and
# 1,000 tags ("tag 1" ... "tag 1000", each quote carrying 0 to 3 of the first 900) to
# the collection file FILE, which the program must have made already (start
# it once on that data folder). For trying the window on a large collection:
#   tools/fill_collection.sh ~/.local/share/Parvela/parvela.fdb 100000
set -euo pipefail
file=$1
count=${2:-100000}
sqlite3 "$file" <<SQL
PRAGMA foreign_keys = ON;
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
INSERT INTO tag (m_id, m_utfname)
  SELECT (SELECT coalesce(max(m_id), 0) FROM tag) + i, 'tag ' || i FROM n;
CREATE TEMP TABLE words (k INTEGER PRIMARY KEY, w TEXT);
INSERT INTO words (w) VALUES ('the'), ('quick'), ('brown'), ('fox'), ('jumps'), ('over'),
  ('lazy'), ('dog'), ('time'), ('is'), ('money'), ('knowledge'), ('of'), ('power'), ('and'),
  ('wisdom'), ('été'), ('中');
CREATE TEMP TABLE base AS SELECT coalesce(max(m_id), 0) AS q, (SELECT max(m_id) FROM tag) - 1000 AS t
  FROM quote;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $count)
INSERT INTO quote (m_id, m_utftext, m_stamp)
  SELECT (SELECT q FROM base) + i,
         'Quote ' || i || ': ' ||
         (SELECT group_concat(w, ' ') FROM (SELECT w FROM words
            JOIN (WITH RECURSIVE k(j) AS (SELECT 1 UNION ALL SELECT j + 1 FROM k
                                         WHERE j < 5 + (i * 7919) % 36) SELECT j FROM k)
            ON words.k = 1 + (i * 31 + j * 17) % 18)) ||
         CASE WHEN i % 10 = 0 THEN char(10) || '<and a second line & more>' ELSE '' END,
         1700000000 + i * 60
  FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $count),
     p(pos) AS (VALUES (1), (2), (3))
INSERT INTO quote_tag (quote, pos, tag)
  SELECT (SELECT q FROM base) + i, pos, (SELECT t FROM base) + (pos - 1) * 300 + 1 + (i * pos * 7 + 13) % 300
  FROM n, p WHERE pos <= i % 4;
COMMIT;
SQL
