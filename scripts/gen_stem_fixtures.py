#!/usr/bin/python3
"""Writes the stems that Python's snowballstemmer (an implementation of the
Snowball algorithms of its own, Debian's python3-snowballstemmer) gives for a
table of words, so that the stemming tests can hold libstemmer and our table
of language codes to them.

Usage: scripts/gen_stem_fixtures.py [OUTPUT]   (default testdata/stem/stems.txt)

Every line of OUTPUT is "algorithm<TAB>word<TAB>stem" in UTF-8. Each word of
WORDS is stemmed by every algorithm, so that a test that checks all words of
one code fails when the code reaches another algorithm; the script refuses
to write a table in which two algorithms, or an algorithm other than Russian
and no stemming at all, agree on every lower-case ASCII word. The ASCII words are what the
stemming operations can hand a stemmer (they flatten their text first); the
other words check the stemmers themselves.

The words are chosen for stems that have not changed between Snowball
releases. Run it again after changing the table; the file is committed.
"""
import pathlib
import sys

import snowballstemmer

ROOT = pathlib.Path(__file__).resolve().parent.parent

ALGORITHMS = ["english", "french", "spanish", "italian", "hungarian", "danish",
              "finnish", "norwegian", "porter", "portuguese", "romanian",
              "russian", "swedish", "german"]

WORDS = [
    # English against Porter (and Portuguese, which leaves them alone)
    "running", "generously", "dying", "skies", "fairly", "arsenal", "communication",
    "nationalities",
    "continuation", "maisons", "chevaux", "parlerons", "abandonnements",
    "corriendo", "casas", "nacionalidades", "rapidamente",
    "abbandonata", "parlando", "nazionali", "gatti",
    "almakat", "emberek", "hazakban", "konyvekben",
    "hundene", "bilerne", "kvinderne", "kvinnene",
    "taloissa", "kirjoja", "kaupungeissa", "ihmisten",
    "copiilor", "frumoasele", "oamenii",
    "hundarna", "flickorna", "springande",
    "katzen", "kinder", "haeuser", "aufeinanderfolgenden",
    # beyond ASCII: for the stemmers themselves
    "книги", "говорила", "столами", "häuser", "continuité", "niños", "kärlek",
]


def main():
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "testdata/stem/stems.txt"
    stems = {a: {w: snowballstemmer.stemmer(a).stemWord(w) for w in WORDS} for a in ALGORITHMS}
    ascii_words = [w for w in WORDS if w.isascii()]
    identity = {w: w for w in WORDS}
    rows = [(name, stems[name]) for name in ALGORITHMS] + [("no stemming", identity)]
    for i, (a, sa) in enumerate(rows):
        for b, sb in rows[i + 1:]:
            # The Russian stemmer leaves Latin letters alone; the tests tell
            # it from no stemming by the length limit that only a stemmer
            # applies.
            if {a, b} == {"russian", "no stemming"}:
                continue
            if all(sa[w] == sb[w] for w in ascii_words):
                sys.exit(f"{a} and {b} agree on every ASCII word: add a word that tells them apart")
    lines = [f"{a}\t{w}\t{stems[a][w]}\n" for a in ALGORITHMS for w in WORDS]
    out.write_text("".join(lines), encoding="utf-8")


if __name__ == "__main__":
    main()
