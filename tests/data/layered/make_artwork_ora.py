import zlib, struct, zipfile
def png(w, h, px):  # px(x,y)->(r,g,b,a)
    raw = b''.join(b'\x00' + bytes(c for x in range(w) for c in px(x, y)) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')
W, H = 64, 48
layers = {
 'data/bg.png': png(W, H, lambda x, y: (40 + 3 * x, 90 + y, 200 - 2 * x, 255)),
 'data/shade.png': png(W, H, lambda x, y: (120, 60, 180, 255 if x > 20 else (128 if x > 10 else 0))),
 'data/paint.png': png(40, 30, lambda x, y: (250, 200, 40, 255 if (x - 20) ** 2 + (y - 15) ** 2 < 150 else 0)),
 'data/hidden.png': png(W, H, lambda x, y: (255, 0, 0, 255)),
 'data/light.png': png(64, 20, lambda x, y: (30, 160, 90, 200)),
}
stack = '''<?xml version="1.0" encoding="UTF-8"?>
<image version="0.0.5" w="64" h="48" xres="72" yres="72">
 <stack>
  <layer name="light" src="data/light.png" x="20" y="30" opacity="1.0" visibility="visible" composite-op="svg:screen"/>
  <stack name="hidden group" opacity="1.0" visibility="hidden" composite-op="svg:src-over" isolation="auto">
   <layer name="red" src="data/hidden.png" x="0" y="0" opacity="1.0" visibility="visible" composite-op="svg:src-over"/>
  </stack>
  <stack name="group" opacity="0.6" visibility="visible" composite-op="svg:src-over" isolation="auto">
   <layer name="paint" src="data/paint.png" x="12" y="6" opacity="1.0" visibility="visible" composite-op="svg:src-over"/>
  </stack>
  <layer name="shade" src="data/shade.png" x="0" y="0" opacity="0.8" visibility="visible" composite-op="svg:multiply"/>
  <layer name="background" src="data/bg.png" x="0" y="0" opacity="1.0" visibility="visible" composite-op="svg:src-over"/>
 </stack>
</image>
'''
with zipfile.ZipFile('artwork.ora', 'w') as z:
    z.writestr(zipfile.ZipInfo('mimetype'), 'image/openraster', compress_type=zipfile.ZIP_STORED)
    z.writestr('stack.xml', stack, compress_type=zipfile.ZIP_DEFLATED)
    for n, d in layers.items(): z.writestr(n, d, compress_type=zipfile.ZIP_DEFLATED)
    z.writestr('mergedimage.png', png(W, H, lambda x, y: (0, 0, 0, 255)))
    z.writestr('Thumbnails/thumbnail.png', png(W, H, lambda x, y: (0, 0, 0, 255)))
