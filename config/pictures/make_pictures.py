# Draws the five 48 x 48 pictures of the info panel as PPM files in the
# current folder; cjpeg -quality 92 -optimize makes the JPEGs kept here.
import math, sys
W = 48
def render(bg1, bg2, shape, name):
    rows = []
    for y in range(W):
        row = []
        for x in range(W):
            acc = [0.0, 0.0, 0.0]
            for sy in range(4):
                for sx in range(4):
                    px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
                    t = (px + py) / (2 * W)
                    c = [bg1[i] * (1 - t) + bg2[i] * t for i in range(3)]
                    # rounded square tile with a light border
                    dx, dy = max(abs(px - 24) - 18, 0), max(abs(py - 24) - 18, 0)
                    inside_tile = math.hypot(dx, dy) <= 4
                    if not inside_tile:
                        c = [255, 255, 255]
                    elif shape(px, py):
                        c = [255, 255, 255]
                    for i in range(3):
                        acc[i] += c[i]
            row.append(bytes(int(round(a / 16)) for a in acc))
        rows.append(b"".join(row))
    with open(name + ".ppm", "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (W, W) + b"".join(rows))

def person(x, y):
    head = math.hypot(x - 24, y - 17) <= 6
    body = math.hypot(x - 24, y - 38) <= 12 and y <= 35 and y >= 26
    return head or body

def export(x, y):
    box = (11 <= x <= 31 and 15 <= y <= 37) and not (14 <= x <= 28 and 18 <= y <= 34)
    shaft = 20 <= x <= 32 and 24 <= y <= 28
    head = x >= 31 and abs(y - 26) <= (39 - x)
    return box or shaft or head

def conversion(x, y):
    r = math.hypot(x - 24, y - 24)
    a = math.atan2(y - 24, x - 24)
    teeth = 12.5 + (2.5 if math.cos(8 * a) > 0 else 0)
    return r <= teeth and r >= 5.5

def plugin(x, y):
    body = 14 <= x <= 34 and 20 <= y <= 32
    prong1 = 18 <= x <= 21 and 12 <= y <= 20
    prong2 = 27 <= x <= 30 and 12 <= y <= 20
    cord = 22 <= x <= 26 and 32 <= y <= 38
    return body or prong1 or prong2 or cord

def recognition(x, y):
    # an eye: the lens between two arcs, a dark pupil
    upper = math.hypot(x - 24, y - 40) <= 22
    lower = math.hypot(x - 24, y - 8) <= 22
    pupil = math.hypot(x - 24, y - 24) <= 5
    return upper and lower and not pupil

render((40, 90, 170), (90, 150, 220), person, "userexit")
render((20, 120, 100), (70, 180, 140), export, "exportservice")
render((200, 100, 20), (240, 160, 60), conversion, "conversion")
render((110, 50, 150), (170, 110, 200), plugin, "plugin")
render((170, 40, 50), (220, 100, 100), recognition, "recognition")
