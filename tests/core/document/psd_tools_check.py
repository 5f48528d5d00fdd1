"""Reads a layered PSD written by Tintloom with psd-tools, an independent reader.

Usage: psd_tools_check.py FILE.psd EXPORT.png (composite|stored)

Prints one line per layer, bottom first (name, visibility, blend key, box and
the SHA-256 of its RGBA pixels) for the caller to compare, and fails when the
merged picture stored in the file is not the PNG export, or, with
"composite", when psd-tools' own composite of the layers over white differs
from it by more than rounding.
"""
import hashlib
import sys

import numpy as np
from PIL import Image
from psd_tools import PSDImage

BLEND_KEYS = {
    "NORMAL": "norm", "DARKEN": "dark", "MULTIPLY": "mul ", "COLOR_BURN": "idiv", "LINEAR_BURN": "lbrn",
    "LIGHTEN": "lite", "SCREEN": "scrn", "COLOR_DODGE": "div ", "LINEAR_DODGE": "lddg", "OVERLAY": "over",
    "SOFT_LIGHT": "sLit", "HARD_LIGHT": "hLit", "VIVID_LIGHT": "vLit", "LINEAR_LIGHT": "lLit",
    "PIN_LIGHT": "pLit", "HARD_MIX": "hMix", "DIFFERENCE": "diff", "EXCLUSION": "smud",
}


def main():
    psd_path, png_path, mode = sys.argv[1:4]
    psd = PSDImage.open(psd_path)
    png = np.asarray(Image.open(png_path).convert("RGB"), dtype=np.int16)
    for i, layer in enumerate(psd):
        pixels = layer.topil()
        digest = hashlib.sha256(pixels.convert("RGBA").tobytes() if pixels is not None else b"").hexdigest()
        left, top, right, bottom = layer.bbox
        # psd-tools gives a character outside the BMP as its two surrogates.
        name = layer.name.encode("utf-16-le", "surrogatepass").decode("utf-16-le")
        print(f"layer {i} name={name} visible={int(layer.visible)} "
              f"blend={BLEND_KEYS.get(layer.blend_mode.name, layer.blend_mode.name)} "
              f"box={left},{top},{right},{bottom} pixels={digest}")
    stored = np.asarray(psd.topil().convert("RGB"), dtype=np.int16)
    if stored.shape != png.shape or (stored != png).any():
        print("the stored merged picture is not the PNG export")
        return 1
    if mode == "composite":
        # psd-tools composes over nothing: laid over white here.
        rgba = np.asarray(psd.composite(force=True).convert("RGBA"), dtype=np.float64) / 255.0
        over = rgba[:, :, :3] * rgba[:, :, 3:] + (1.0 - rgba[:, :, 3:])
        own = np.rint(over * 255.0).astype(np.int16)
        worst = int(np.abs(own - png).max())
        print(f"composite differs by at most {worst}")
        if worst > 2:
            y, x = np.argwhere(np.abs(own - png).max(axis=2) == worst)[0]
            print(f"at {x},{y}: psd-tools {own[y, x].tolist()}, export {png[y, x].tolist()}")
        if worst > 2:
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
