#!/usr/bin/env python3
"""Prints the ready templates twice, each time seeing another set of installed fonts, and compares
where every word landed (pdftotext -bbox-layout): the largest move of a word whose line stayed the
same, and the pages whose lines broke differently. A waybill must not move because an unrelated
font package was installed.

    tools/samepages/same-pages.py build/cli/waybill-cli CONF_A CONF_B [ROWS]

CONF_A and CONF_B are fontconfig files (FONTCONFIG_FILE), or "system" for the machine's own; for
example "system" against build/fontconfig/fonts.conf (the setup's fonts only). Run by hand.
"""
import os, re, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

MM_PER_PT = 25.4 / 72


def words(pdf):
    out = subprocess.run(["pdftotext", "-bbox-layout", pdf, "-"], capture_output=True, text=True,
                         check=True).stdout
    root = ET.fromstring(re.sub(r'xmlns="[^"]*"', "", out))
    pages = []
    for page in root.iter("page"):
        pages.append([[(w.text, float(w.get("xMin")) * MM_PER_PT, float(w.get("yMin")) * MM_PER_PT)
                       for w in line.iter("word")] for line in page.iter("line")])
    return pages


def lines_by_words(page):
    seen, out = {}, {}
    for line in page:
        key = tuple(w[0] for w in line)
        n = seen.get(key, 0)
        seen[key] = n + 1
        out[(key, n)] = line
    return out


def main():
    cli, conf_a, conf_b = sys.argv[1:4]
    rows = sys.argv[4] if len(sys.argv) > 4 else "1-20"
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    with tempfile.TemporaryDirectory() as tmp:
        home = os.path.join(tmp, "home")
        for folder in ("config", "template"):
            shutil.copytree(os.path.join(source, "data", folder), os.path.join(home, folder))
        orders = os.path.join(source, "data", "orders", "demo-orders.csv")

        def run(conf, template, pdf):
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
            env.pop("FONTCONFIG_FILE", None)
            if conf != "system":
                env["FONTCONFIG_FILE"] = os.path.abspath(conf)
            subprocess.run([cli, "--home", home, "print", "--orders", orders, "--template", str(template),
                            "--rows", rows, "--pdf", pdf], env=env, check=True, capture_output=True)
            return words(pdf)

        worst, rewrapped, compared = 0.0, 0, 0
        for template in range(3):
            a = run(conf_a, template, os.path.join(tmp, f"a{template}.pdf"))
            b = run(conf_b, template, os.path.join(tmp, f"b{template}.pdf"))
            move = 0.0
            for page_a, page_b in zip(a, b):
                la, lb = lines_by_words(page_a), lines_by_words(page_b)
                if la.keys() != lb.keys():
                    rewrapped += 1
                for key in la.keys() & lb.keys():
                    for wa, wb in zip(la[key], lb[key]):
                        compared += 1
                        move = max(move, abs(wa[1] - wb[1]), abs(wa[2] - wb[2]))
            print(f"template {template}: {len(a)}/{len(b)} pages, largest word move {move:.3f} mm")
            worst = max(worst, move)
        print(f"{compared} words compared, largest move {worst:.3f} mm, "
              f"{rewrapped} pages with other line breaks")
        return 0 if worst <= 0.05 and rewrapped == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
