#!/usr/bin/env python3
"""Turns the user guide from Markdown into one standalone HTML page with a table of contents.

Usage: markdown-to-html.py GUIDE.md OUT.html   (needs Python-Markdown, Debian's python3-markdown)
"""
import html
import os
import sys

import markdown


def main(source_path, target_path):
    with open(source_path, encoding="utf-8") as source:
        text = source.read()
    converter = markdown.Markdown(extensions=["tables", "fenced_code", "toc", "attr_list"],
                                  extension_configs={"toc": {"toc_depth": "2-3"}})
    body = converter.convert(text)
    title = "ZOV tool User Guide"
    for line in text.splitlines():
        if line.startswith("# "):
            title = line[2:].strip()
            break
    page = f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{html.escape(title)}</title>
<link rel="stylesheet" href="guide.css">
</head>
<body>
<nav class="toc"><p><b>Contents</b></p>
{converter.toc}
</nav>
<main>
{body}
</main>
</body>
</html>
"""
    # Written whole and renamed, so that a failed run leaves no half page for the build to keep.
    partial = target_path + ".part"
    with open(partial, "w", encoding="utf-8") as target:
        target.write(page)
    os.replace(partial, target_path)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    main(sys.argv[1], sys.argv[2])
