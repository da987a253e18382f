#!/usr/bin/python3
"""Writes the sample files of tests/data (see README.md there). Needs Debian's python3-pil,
imagemagick, sox and lame. Run from this folder: /usr/bin/python3 make_samples.py"""
import os, struct, subprocess, zlib
from PIL import Image

W, H = 16, 12

def picture():
    """A small picture of 16 colours: bands, a diagonal and a block, so runs and single texels mix."""
    colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255),
               (16, 32, 48), (200, 100, 50), (255, 255, 255), (0, 0, 0), (128, 128, 128), (90, 10, 160),
               (10, 160, 90), (160, 90, 10), (240, 200, 220), (30, 60, 30)]
    idx = [[(x // 4 + y // 3) % 16 for x in range(W)] for y in range(H)]
    for i in range(min(W, H)):
        idx[i][i] = (i * 7) % 16
    return colours, idx

def bmp(name, header, palette_entries, pixels, compression_note=None):
    data = header + palette_entries + pixels
    offset = 14 + len(header) + len(palette_entries)
    with open(name, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', 14 + len(data), 0, 0, offset) + data)

def info_header(bits, compression, colours, size=40):
    return struct.pack('<IiiHHIIiiII', size, W, H, 1, bits, compression, 0, 2835, 2835, colours, 0)

def rle8(idx):
    out = b''
    for row in reversed(idx):
        x = 0
        while x < W:
            run = 1
            while x + run < W and row[x + run] == row[x] and run < 255:
                run += 1
            if run >= 2:
                out += bytes([run, row[x]])
                x += run
            else:  # an absolute run up to the next repeat (at least 3 texels), padded to 16 bits
                end = x
                while end < W and not (end + 1 < W and row[end + 1] == row[end]):
                    end += 1
                n = end - x
                if n >= 3:
                    out += bytes([0, n]) + bytes(row[x:end]) + (b'\0' if n % 2 else b'')
                    x = end
                else:
                    out += bytes([1, row[x]])
                    x += 1
        out += b'\0\0'
    return out + b'\0\1'

def rle4(idx):
    out = b''
    for row in reversed(idx):
        x = 0
        while x < W:
            run = 1
            while x + run < W and row[x + run] == row[x] and run < 255:
                run += 1
            if run >= 2:
                out += bytes([run, row[x] << 4 | row[x]])
                x += run
            else:
                n = min(5, W - x)
                if n >= 3:
                    nib = row[x:x + n] + [0]
                    packed = bytes(nib[i] << 4 | nib[i + 1] for i in range(0, n, 2))
                    out += bytes([0, n]) + packed + (b'\0' if len(packed) % 2 else b'')
                    x += n
                else:
                    out += bytes([1, row[x] << 4])
                    x += 1
        out += b'\0\0'
    return out + b'\0\1'

def pictures():
    os.chdir('pictures')
    colours, idx = picture()
    ref = Image.new('RGB', (W, H))
    for y in range(H):
        for x in range(W):
            ref.putpixel((x, y), colours[idx[y][x]])
    ref.save('reference.png')
    quad = b''.join(bytes([b, g, r, 0]) for r, g, b in colours)
    bmp('rle8.bmp', info_header(8, 1, 16), quad, rle8(idx))
    bmp('rle4.bmp', info_header(4, 2, 16), quad, rle4(idx))
    # OS/2 2.x header cut to 16 bytes, 8 bits, four-byte palette entries.
    rows = b''.join(bytes(row) for row in reversed(idx))
    bmp('os2v2-16.bmp', struct.pack('<IIIHH', 16, W, H, 1, 8), quad, rows)
    # A palette of 300 entries for an 8-bit picture: the first 256 are used.
    bmp('pal300.bmp', info_header(8, 0, 300), quad + b'\x11\x22\x33\0' * 284, rows)
    # RLE8 written by ImageMagick, an encoder other than ours.
    subprocess.run(['convert', 'reference.png', '-type', 'Palette', '-compress', 'RLE', 'BMP3:rle8-im.bmp'], check=True)
    # DDS: legacy DXT1/DXT5 by ImageMagick, rewrapped with the DX10 header; uncompressed DX10 by hand.
    subprocess.run(['convert', 'reference.png', '-define', 'dds:compression=dxt1', '-define', 'dds:mipmaps=0',
                    'dxt1.dds'], check=True)
    Image.open('dxt1.dds').convert('RGBA').save('dxt1-reference.png')
    legacy = open('dxt1.dds', 'rb').read()
    os.remove('dxt1.dds')
    def dx10(name, fmt, payload, bits=0):
        hdr = bytearray(legacy[:128])
        struct.pack_into('<I', hdr, 4 + 72 + 4, 4)            # pixel format flags: FourCC
        hdr[4 + 72 + 8:4 + 72 + 12] = b'DX10'
        struct.pack_into('<I', hdr, 4 + 24, 0)                 # no mip levels
        with open(name, 'wb') as f:
            f.write(bytes(hdr) + struct.pack('<IIIII', fmt, 3, 0, 1, 0) + payload)
    dx10('dx10-bc1-srgb.dds', 72, legacy[128:])
    rgba = ref.convert('RGBA').tobytes()
    dx10('dx10-r8g8b8a8.dds', 28, rgba)
    bgra = b''.join(bytes([rgba[i + 2], rgba[i + 1], rgba[i], rgba[i + 3]]) for i in range(0, len(rgba), 4))
    dx10('dx10-b8g8r8x8.dds', 88, bgra)
    rgb565 = b''.join(struct.pack('<H', (r >> 3) << 11 | (g >> 2) << 5 | b >> 3) for r, g, b in ref.getdata())
    dx10('dx10-b5g6r5.dds', 85, rgb565)
    grey = ref.convert('L')
    grey.save('grey-reference.png')
    dx10('dx10-r8.dds', 61, grey.tobytes())
    # Legacy 8-bit luminance whose mask is wider than the texel (0xFFFF).
    hdr = bytearray(legacy[:128])
    struct.pack_into('<IIIIIIII', hdr, 4 + 72, 32, 0x20000, 0, 8, 0xFFFF, 0, 0, 0)
    struct.pack_into('<I', hdr, 4 + 24, 0)
    open('l8-wide-mask.dds', 'wb').write(bytes(hdr) + grey.tobytes())
    # JPEG with extraneous bytes before a marker: libjpeg warns and decodes.
    ref.resize((32, 24), Image.NEAREST).save('good.jpg', quality=90)
    jpg = open('good.jpg', 'rb').read()
    sos = jpg.index(b'\xff\xda')
    open('extraneous.jpg', 'wb').write(jpg[:sos] + b'\x00\x01\x02' + jpg[sos:])
    Image.open('good.jpg').convert('RGB').save('jpeg-reference.png')
    os.chdir('..')

def sounds():
    os.chdir('sounds')
    sh = lambda *a: subprocess.run(a, check=True)
    sh('sox', '-n', '-r', '8000', '-c', '1', '-b', '16', 'tone-int16.wav', 'synth', '0.1', 'sine', '440', 'vol', '0.5')
    sh('sox', 'tone-int16.wav', '-e', 'floating-point', '-b', '32', 'tone-float32.wav')
    sh('sox', 'tone-int16.wav', '-e', 'floating-point', '-b', '64', 'tone-float64.wav')
    # 5.1: a tone in front left only, silence elsewhere (WAVE_FORMAT_EXTENSIBLE with its channel mask).
    sh('sox', '-n', '-r', '8000', '-c', '6', '-b', '16', 'surround51.wav', 'synth', '0.05',
       'sine', '440', 'sine', '0', 'sine', '0', 'sine', '0', 'sine', '0', 'sine', '0', 'vol', '0.5')
    sh('sox', '-n', '-r', '8000', '-c', '1', '-b', '16', 'mono.wav', 'synth', '0.5', 'sine', '440', 'vol', '0.5')
    sh('sox', '-n', '-r', '8000', '-c', '2', '-b', '16', 'stereo.wav', 'synth', '0.5', 'sine', '440', 'vol', '0.5')
    # VBR without the Xing header; a mono stream followed by a stereo one (the mode changes).
    sh('lame', '--quiet', '-V', '9', '-t', 'mono.wav', 'vbr-no-xing.mp3')
    sh('lame', '--quiet', '-b', '16', '-t', '-m', 'm', 'mono.wav', 'a.mp3')
    sh('lame', '--quiet', '-b', '16', '-t', '-m', 's', 'stereo.wav', 'b.mp3')
    open('mode-change.mp3', 'wb').write(open('a.mp3', 'rb').read() + open('b.mp3', 'rb').read())
    # The same stream cut in the middle of its first frame.
    open('mid-frame.mp3', 'wb').write(open('a.mp3', 'rb').read()[37:])
    for f in ('a.mp3', 'b.mp3', 'mono.wav', 'stereo.wav'):
        os.remove(f)
    os.chdir('..')

def mszip(body, block):
    """MSZIP blocks: each deflated on its own with the output before it as dictionary."""
    out = struct.pack('<I', 16 + len(body))
    for at in range(0, len(body), block):
        part = body[at:at + block]
        c = zlib.compressobj(9, zlib.DEFLATED, -15, zdict=body[max(0, at - 32768):at]) if at else \
            zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = c.compress(part) + c.flush()
        out += struct.pack('<HH', len(part), len(packed) + 2) + b'CK' + packed
    return out

def meshes():
    os.chdir('meshes')
    text = b'''
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
Frame Root {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }
  Material Blue { 0.0;0.0;1.0;1.0;; 8.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; TextureFilename { "blue.bmp"; } }
  Mesh Quad {
    4; -1.0;-1.0;0.0;, 1.0;-1.0;0.0;, 1.0;1.0;0.0;, -1.0;1.0;0.0;;
    2; 3;0,1,2;, 3;0,2,3;;
    MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }
    MeshTextureCoords { 4; 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.0;; }
    MeshMaterialList { 1; 2; 0,0;; { Blue } }
  }
}
'''
    open('frame-material.x', 'wb').write(b'xof 0303txt 0032' + text)
    # The same, compressed, in blocks small enough that later ones refer back to earlier ones.
    open('frame-material-tzip.x', 'wb').write(b'xof 0303tzip0032' + mszip(text, 256))
    os.chdir('..')

pictures()
sounds()
meshes()
