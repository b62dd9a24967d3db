#!/usr/bin/env python3
"""Writes a MicroDVD file as downloaded subtitles are: Windows-1250, CR LF, Polish text.

Unlike a uniform file it has about 2 % of its lines out of order (a line moved a few places
back, as hand-merged files have), about 40 % with "|" breaks, some {y:i} italics and a few
malformed lines. The same seed gives the same bytes.

Usage: make_realistic_microdvd.py OUT [lines] [seed]
"""
import random
import sys

WORDS = (
    "zażółć gęślą jaźń ćma łódź źdźbło żółw śnieg pięść dłoń więź mąż książę gość ślub "
    "wieczór jutro dzisiaj dobrze słuchaj chodź tutaj proszę dziękuję przepraszam nie tak "
    "może właśnie już jeszcze zawsze nigdy wszystko człowiek kobieta dziecko miasto droga "
    "pieniądze samochód pociąg ogień woda powietrze ziemia niebo gwiazda księżyc słońce "
    "Łukasz Śląsk Żaneta Ćwikła Źródło Ósemka Gdańsk Kraków Wrocław Poznań Łódź Zakopane "
    "co ty robisz? gdzie jesteś? kto tam? dlaczego? naprawdę! cholera! słyszysz mnie?"
).split()


def sentence(rng):
    words = [rng.choice(WORDS) for _ in range(rng.randint(2, 7))]
    s = " ".join(words)
    return s[0].upper() + s[1:]


def main():
    out = sys.argv[1]
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 33)

    rows = []
    frame = 240
    for i in range(lines):
        frame += rng.randint(30, 160)
        length = rng.randint(40, 120)
        r = rng.random()
        if r < 0.008:
            # Malformed: a missing brace, letters for a frame, a lone time, stray text.
            rows.append(rng.choice([
                "{%d}%s" % (frame, sentence(rng)),
                "{%d}{x%d}%s" % (frame, frame + length, sentence(rng)),
                "%d}{%d}%s" % (frame, frame + length, sentence(rng)),
                sentence(rng),
            ]))
            continue
        text = sentence(rng)
        if rng.random() < 0.40:
            text += "|" + ("- " if rng.random() < 0.5 else "") + sentence(rng)
        if rng.random() < 0.06:
            text = "{y:i}" + text
        rows.append("{%d}{%d}%s" % (frame, frame + length, text))

    # About 2 % of the lines move back a few places.
    for i in range(len(rows)):
        if i > 8 and rng.random() < 0.02:
            j = i - rng.randint(1, 8)
            rows.insert(j, rows.pop(i))

    with open(out, "wb") as f:
        f.write("".join(r + "\r\n" for r in rows).encode("cp1250"))


if __name__ == "__main__":
    main()
