#!/usr/bin/python3
"""Lays b0.gif..b31.gif out on one PNG for a look: a row at true size, then a grid enlarged 3x.

Usage: /usr/bin/python3 data/tools/icons/contact_sheet.py OUT.png [ICON_FOLDER]
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

NAMES = ["晴", "多云", "阴", "阵雨", "雷阵雨", "雷阵雨伴有冰雹", "雨夹雪", "小雨", "中雨", "大雨", "暴雨",
         "大暴雨", "特大暴雨", "阵雪", "小雪", "中雪", "大雪", "暴雪", "雾", "冻雨", "沙尘暴", "小到中雨",
         "中到大雨", "大到暴雨", "暴雨到大暴雨", "大暴雨到特大暴雨", "小到中雪", "中到大雪", "大到暴雪", "浮尘",
         "扬沙", "强沙尘暴"]
FONT = "/usr/share/fonts/truetype/arphic/uming.ttc"


def main():
    out = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "..", "icons")
    icons = [Image.open(os.path.join(folder, f"b{i}.gif")).convert("RGB") for i in range(32)]
    font = ImageFont.truetype(FONT, 16) if os.path.exists(FONT) else ImageFont.load_default()
    small = ImageFont.truetype(FONT, 11) if os.path.exists(FONT) else ImageFont.load_default()

    cols, cell_w, cell_h = 8, 170, 170
    top = 2 * (46 + 16) + 10
    sheet = Image.new("RGB", (cols * cell_w, top + 4 * cell_h), (255, 255, 255))
    d = ImageDraw.Draw(sheet)
    for i, icon in enumerate(icons):
        x, y = 10 + (i % 16) * 84, 4 + (i // 16) * 62
        sheet.paste(icon, (x, y))
        d.text((x, y + 47), str(i), fill=(0, 0, 0), font=small)
    for i, icon in enumerate(icons):
        x, y = (i % cols) * cell_w, top + (i // cols) * cell_h
        sheet.paste(icon.resize((150, 138), Image.NEAREST), (x + 10, y + 4))
        d.rectangle([x + 9, y + 3, x + 160, y + 142], outline=(220, 220, 220))
        d.text((x + 10, y + 146), f"{i} {NAMES[i]}", fill=(0, 0, 0), font=font)
    sheet.save(out)


if __name__ == "__main__":
    main()
