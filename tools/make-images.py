#!/usr/bin/env python3
"""Draws the program's icon and its three 16 x 16 image strips (MenuIcons,
IconList, ToolPicsA) as small pixel pictures and writes them to
src/resources/images/. The icon's 16 and 32 pixel images are pixel pictures;
its 48 and 256 pixel images are drawn from the same shapes, scaled and
smoothed. Standard library only; the output is committed, so run this only
after changing a picture here."""
import math
import os
import struct

KEY = (255, 0, 255)  # transparent: the image lists' mask colour

# A small palette.
BLACK = (0, 0, 0)
DARK = (64, 64, 64)
GREY = (128, 128, 128)
LIGHT = (192, 192, 192)
WHITE = (255, 255, 255)
RED = (200, 30, 30)
DRED = (140, 0, 0)
GREEN = (20, 150, 40)
DGREEN = (0, 100, 20)
BLUE = (30, 80, 200)
DBLUE = (10, 40, 130)
LBLUE = (120, 170, 240)
YELLOW = (240, 200, 40)
ORANGE = (230, 130, 20)
BROWN = (150, 100, 40)
TEAL = (0, 130, 140)
PURPLE = (120, 50, 160)


def inside(points, px, py):
    """Whether a point lies in a polygon (even-odd rule)."""
    result = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


class Canvas:
    def __init__(self, size=16):
        self.n = size
        self.px = [[None] * size for _ in range(size)]

    def set(self, x, y, c):
        if 0 <= x < self.n and 0 <= y < self.n:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c, fill=None):
        if fill is not None:
            for y in range(y0 + 1, y1):
                for x in range(x0 + 1, x1):
                    self.set(x, y, fill)
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            for w in range(width):
                self.set(x0 + (w if dy < -dx else 0), y0 + (0 if dy < -dx else w), c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def circle(self, cx, cy, r, c, fill=None):
        for y in range(self.n):
            for x in range(self.n):
                d = math.hypot(x - cx, y - cy)
                if fill is not None and d < r - 0.5:
                    self.set(x, y, fill)
                elif abs(d - r) <= 0.5:
                    self.set(x, y, c)

    def poly(self, points, c):
        """Filled polygon (even-odd rule over pixel centres)."""
        for y in range(self.n):
            for x in range(self.n):
                if inside(points, x + 0.5, y + 0.5):
                    self.set(x, y, c)

    def text(self, x, y, rows, c):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == '#':
                    self.set(x + i, y + j, c)


# ---- pieces used by several pictures ------------------------------------

def page(cv, x0=3, y0=1, x1=12, y1=14, lines=True):
    cv.rect(x0, y0, x1, y1, DARK, WHITE)
    cv.set(x1, y0, KEY_NONE)
    if lines:
        for y in range(y0 + 3, y1 - 1, 2):
            cv.line(x0 + 2, y, x1 - 2, y, GREY)


KEY_NONE = None


def folder(cv, open_=False):
    cv.fill(1, 4, 6, 5, ORANGE)
    cv.rect(1, 5, 14, 13, BROWN, YELLOW)
    if open_:
        cv.poly([(3, 8), (16, 8), (14, 14), (1, 14)], ORANGE)
        cv.line(3, 8, 15, 8, BROWN)


def magnifier(cv):
    cv.circle(6, 6, 4, DBLUE, LBLUE)
    cv.set(5, 4, WHITE)
    cv.set(4, 5, WHITE)
    cv.line(9, 9, 14, 14, BROWN, 2)


def arrows_circle(cv, c=GREEN):
    for a in range(30, 330, 6):
        t = math.radians(a)
        cv.set(round(7.5 + 5.5 * math.cos(t)), round(7.5 - 5.5 * math.sin(t)), c)
        cv.set(round(7.5 + 4.5 * math.cos(t)), round(7.5 - 4.5 * math.sin(t)), c)
    cv.poly([(10, 1), (15, 5), (10, 7)], c)


def red_x(cv, x0=3, y0=3, x1=12, y1=12):
    cv.line(x0, y0, x1, y1, RED, 2)
    cv.line(x0, y1, x1, y0, RED, 2)


def checkbox(cv, ticked):
    cv.rect(2, 2, 13, 13, DARK, WHITE)
    if ticked:
        cv.line(4, 8, 6, 10, GREEN, 2)
        cv.line(6, 10, 11, 4, GREEN, 2)


def arrow(cv, direction, c=BLUE, double=False):
    shapes = {
        'up': [(8, 2), (14, 9), (10, 9), (10, 14), (6, 14), (6, 9), (2, 9)],
        'down': [(8, 14), (14, 7), (10, 7), (10, 2), (6, 2), (6, 7), (2, 7)],
    }
    if direction in shapes:
        cv.poly(shapes[direction], c)
        return
    if direction == 'left':
        cv.poly([(1, 8), (8, 2), (8, 14)], c)
        if double:
            cv.poly([(8, 8), (15, 2), (15, 14)], c)
    else:
        cv.poly([(15, 8), (8, 2), (8, 14)], c)
        if double:
            cv.poly([(8, 8), (1, 2), (1, 14)], c)


def monitor(cv):
    cv.rect(1, 2, 14, 11, DARK, LBLUE)
    cv.fill(6, 12, 9, 12, GREY)
    cv.fill(4, 13, 11, 14, DARK)


def globe(cv):
    cv.circle(7.5, 7.5, 6.5, DBLUE, LBLUE)
    cv.line(7, 2, 7, 13, DBLUE)
    cv.line(2, 7, 13, 7, DBLUE)
    cv.poly([(3, 4), (7, 3), (6, 7), (3, 7)], GREEN)
    cv.poly([(9, 8), (13, 9), (11, 12), (9, 12)], GREEN)


def gear(cv):
    for a in range(0, 360, 45):
        t = math.radians(a)
        x, y = 7.5 + 6 * math.cos(t), 7.5 + 6 * math.sin(t)
        cv.fill(round(x) - 1, round(y) - 1, round(x), round(y), GREY)
    cv.circle(7.5, 7.5, 5, DARK, GREY)
    cv.circle(7.5, 7.5, 2, DARK, WHITE)


def clock(cv):
    cv.circle(7.5, 7.5, 6.5, DARK, WHITE)
    cv.line(7, 7, 7, 3, BLACK)
    cv.line(8, 8, 11, 8, BLACK)
    for a in range(0, 360, 90):
        t = math.radians(a)
        cv.set(round(7.5 + 5 * math.cos(t)), round(7.5 + 5 * math.sin(t)), RED)


def key(cv):
    cv.circle(4.5, 10.5, 3, BROWN, YELLOW)
    cv.set(4, 10, BROWN)
    cv.line(6, 8, 13, 1, BROWN, 2)
    cv.line(11, 3, 13, 5, BROWN)
    cv.line(9, 5, 11, 7, BROWN)


def printer(cv):
    cv.rect(4, 1, 11, 6, DARK, WHITE)
    cv.rect(1, 6, 14, 11, DARK, LIGHT)
    cv.rect(4, 10, 11, 14, DARK, WHITE)
    cv.set(12, 8, GREEN)


def shield(cv):
    cv.poly([(2, 2), (8, 0), (14, 2), (13, 9), (8, 15), (3, 9)], DBLUE)
    cv.poly([(4, 3), (8, 2), (12, 3), (11, 9), (8, 13), (5, 9)], LBLUE)
    cv.line(6, 8, 7, 10, GREEN, 2)
    cv.line(7, 10, 10, 5, GREEN, 2)


def chip(cv):
    cv.rect(3, 3, 12, 12, BLACK, DARK)
    for i in range(4, 12, 2):
        cv.set(i, 1, GREY)
        cv.set(i, 2, GREY)
        cv.set(i, 13, GREY)
        cv.set(i, 14, GREY)
        cv.set(1, i, GREY)
        cv.set(2, i, GREY)
        cv.set(13, i, GREY)
        cv.set(14, i, GREY)
    cv.fill(5, 5, 6, 6, LIGHT)


def power(cv):
    for a in range(-50, 231, 4):
        t = math.radians(a)
        cv.set(round(7.5 + 6 * math.cos(t)), round(7.5 + 6 * math.sin(t)), GREEN)
        cv.set(round(7.5 + 5 * math.cos(t)), round(7.5 + 5 * math.sin(t)), GREEN)
    cv.fill(7, 0, 8, 7, DGREEN)


def warning(cv):
    cv.poly([(8, 0), (16, 15), (0, 15)], BLACK)
    cv.poly([(8, 2.5), (14.2, 14), (1.8, 14)], YELLOW)
    cv.fill(7, 5, 8, 10, BLACK)
    cv.fill(7, 12, 8, 13, BLACK)


def puzzle(cv):
    cv.fill(2, 4, 12, 13, PURPLE)
    cv.circle(7.5, 3, 2, PURPLE, PURPLE)
    cv.circle(13, 8.5, 2, PURPLE, PURPLE)
    cv.fill(6, 2, 9, 3, PURPLE)
    cv.fill(13, 7, 14, 10, PURPLE)
    cv.line(2, 13, 12, 13, DARK)
    cv.line(12, 4, 12, 6, DARK)


def books(cv):
    cv.rect(1, 3, 4, 14, DARK, RED)
    cv.rect(5, 1, 8, 14, DARK, BLUE)
    cv.rect(9, 4, 12, 14, DARK, GREEN)
    cv.poly([(12, 6), (14, 5), (16, 14), (14, 15)], ORANGE)
    for x in (2, 6, 10):
        cv.line(x, 6, x + 1, 6, WHITE)


def network(cv):
    cv.rect(0, 1, 6, 6, DARK, LBLUE)
    cv.rect(9, 1, 15, 6, DARK, LBLUE)
    cv.line(3, 7, 3, 11, BLACK)
    cv.line(12, 7, 12, 11, BLACK)
    cv.line(3, 11, 12, 11, BLACK)
    cv.line(7, 11, 7, 14, BLACK)
    cv.fill(5, 13, 10, 15, TEAL)


def registry_cube(cv):
    for (x, y, c) in ((1, 1, RED), (8, 1, GREEN), (1, 8, BLUE), (8, 8, TEAL)):
        cv.rect(x, y, x + 6, y + 6, BLACK, c)
        cv.line(x + 1, y + 1, x + 5, y + 1, WHITE)


def person_key(cv):
    cv.circle(6, 4, 3, DARK, ORANGE)
    cv.poly([(1, 14), (2, 9), (6, 7.5), (10, 9), (11, 14)], BLUE)
    cv.circle(12, 10, 2, BROWN, YELLOW)
    cv.line(12, 12, 12, 15, BROWN)
    cv.set(13, 14, BROWN)


def explorer_window(cv):
    cv.rect(0, 1, 15, 14, DARK, WHITE)
    cv.fill(1, 2, 14, 3, DBLUE)
    cv.fill(1, 4, 4, 13, LIGHT)
    cv.fill(6, 6, 9, 8, YELLOW)
    cv.fill(6, 10, 9, 12, YELLOW)
    cv.fill(11, 6, 13, 8, YELLOW)


def ie_e(cv):
    cv.circle(7.5, 8, 6, BLUE, LBLUE)
    cv.text(4, 5, ["#######", "#......", "######.", "#......", "#######"], DBLUE)
    cv.line(1, 4, 14, 2, YELLOW, 1)


def logon_monitor(cv):
    monitor(cv)
    cv.rect(5, 5, 10, 9, DARK, YELLOW)
    cv.rect(6, 3, 9, 5, DARK)


def missing_file(cv):
    page(cv, 2, 1, 11, 14)
    red_x(cv, 7, 7, 14, 14)


def door_exit(cv):
    cv.rect(2, 1, 9, 14, BROWN, ORANGE)
    cv.set(8, 8, BLACK)
    cv.poly([(9, 8), (13, 4), (13, 6.5), (16, 6.5), (16, 9.5), (13, 9.5), (13, 12)], RED)


def floppy(cv):
    cv.rect(1, 1, 14, 14, DBLUE, BLUE)
    cv.fill(4, 2, 11, 6, WHITE)
    cv.fill(9, 3, 10, 5, DARK)
    cv.fill(4, 9, 11, 14, LIGHT)


def two_pages(cv):
    cv.rect(1, 1, 8, 10, DARK, WHITE)
    cv.rect(6, 5, 14, 14, DARK, WHITE)
    for y in (7, 9, 11):
        cv.line(8, y, 12, y, GREY)


def jump(cv):
    registry_cube_small(cv)
    cv.poly([(0, 11), (6, 11), (6, 8), (10, 12.5), (6, 16), (6, 14), (0, 14)], GREEN)


def registry_cube_small(cv):
    cv.rect(7, 1, 11, 5, BLACK, RED)
    cv.rect(11, 1, 15, 5, BLACK, GREEN)
    cv.rect(7, 5, 11, 9, BLACK, BLUE)
    cv.rect(11, 5, 15, 9, BLACK, TEAL)


def properties(cv):
    page(cv, 2, 1, 11, 14)
    cv.rect(8, 8, 14, 14, DARK, LIGHT)
    cv.line(10, 10, 12, 12, BLACK)
    cv.line(10, 12, 12, 10, BLACK)


def question(cv):
    cv.circle(7.5, 7.5, 6.5, DBLUE, BLUE)
    cv.text(5, 3, ["#####", "#...#", "...#.", "..#..", ".....", "..#.."], WHITE)
    cv.set(7, 9, WHITE)


def info(cv):
    cv.circle(7.5, 7.5, 6.5, DBLUE, BLUE)
    cv.fill(7, 3, 8, 4, WHITE)
    cv.fill(7, 6, 8, 12, WHITE)
    cv.set(6, 6, WHITE)
    cv.fill(6, 12, 9, 12, WHITE)


def backup(cv):
    cv.rect(1, 8, 14, 14, DARK, LIGHT)
    cv.fill(3, 10, 12, 12, GREY)
    cv.poly([(8, 10), (13, 5), (10, 5), (10, 0), (6, 0), (6, 5), (3, 5)], GREEN)


def restore(cv):
    cv.rect(1, 8, 14, 14, DARK, LIGHT)
    cv.fill(3, 10, 12, 12, GREY)
    cv.poly([(8, 0), (13, 5), (10, 5), (10, 9), (6, 9), (6, 5), (3, 5)], BLUE)


def disable(cv):
    checkbox(cv, True)
    cv.circle(10.5, 10.5, 4.5, RED)
    cv.line(7, 14, 14, 7, RED)


def separator(cv):
    cv.line(7, 1, 7, 14, GREY)
    cv.line(8, 1, 8, 14, WHITE)


def single(fn):
    cv = Canvas()
    fn(cv)
    return cv


MENU_ICONS = [magnifier, floppy, arrows_circle, door_exit, disable, red_x, two_pages, jump, globe,
              lambda cv: folder(cv, True), properties, lambda cv: checkbox(cv, False),
              lambda cv: checkbox(cv, True), monitor, question, info, backup, restore]
ICON_LIST = [person_key, explorer_window, ie_e, gear, logon_monitor, network, printer, shield, chip, power,
             warning, puzzle, books, clock, registry_cube, folder, missing_file]
TOOL_PICS = [magnifier, arrows_circle, jump, red_x, disable, separator,
             lambda cv: arrow(cv, 'left', double=True), lambda cv: arrow(cv, 'up'),
             lambda cv: arrow(cv, 'down'), lambda cv: arrow(cv, 'right', double=True), door_exit]


def bmp_bytes(width, height, pixel):
    """24-bit bottom-up BMP; pixel(x, y) gives (r, g, b)."""
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b'\0' * (row - len(line))
        data += line
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def strip(funcs):
    canvases = [single(f) for f in funcs]

    def pixel(x, y):
        c = canvases[x // 16].px[y][x % 16]
        return KEY if c is None else c
    return bmp_bytes(16 * len(canvases), 16, pixel)


# The icon's shapes on its 32 x 32 grid, in drawing order: ('rect', x0, y0,
# x1, y1, colour) fills pixels x0..x1, y0..y1; ('line', x0, y0, x1, y1,
# colour) joins two pixels; ('poly', points, colour) fills a polygon.
TICKS = (6, 12, 18, 24)


def icon_shapes():
    shapes = [('rect', 3, 2, 24, 29, DARK), ('rect', 4, 3, 23, 28, WHITE)]
    for i, y in enumerate(TICKS):
        shapes += [('rect', 6, y, 9, y + 3, DARK), ('rect', 7, y + 1, 8, y + 2, WHITE)]
        if i != 2:
            shapes += [('line', 6, y + 2, 7, y + 3, GREEN), ('line', 7, y + 3, 10, y - 1, GREEN)]
        else:
            shapes += [('line', 6, y, 9, y + 3, RED), ('line', 6, y + 3, 9, y, RED)]
        shapes.append(('line', 12, y + 2, 21, y + 2, GREY))
    shapes += [('poly', [(30, 1), (31, 3), (20, 20), (16, 24), (18, 19)], TEAL),
               ('poly', [(30, 1), (26, 10), (19, 20), (18, 19)], (0, 90, 100)),
               ('line', 17, 22, 14, 28, BLACK)]
    return shapes


def pixel_icon():
    """The 32 x 32 pixel picture."""
    cv = Canvas(32)
    for shape in icon_shapes():
        if shape[0] == 'rect':
            _, x0, y0, x1, y1, c = shape
            cv.fill(x0, y0, x1, y1, c)
        elif shape[0] == 'line':
            _, x0, y0, x1, y1, c = shape
            cv.line(x0, y0, x1, y1, c)
        else:
            cv.poly(shape[1], shape[2])
    return cv


def line_polygon(x0, y0, x1, y1, width):
    """A line between two pixel centres as a polygon, its ends squared off
    half a pixel beyond the centres."""
    ax, ay, bx, by = x0 + 0.5, y0 + 0.5, x1 + 0.5, y1 + 0.5
    length = math.hypot(bx - ax, by - ay) or 1.0
    ux, uy = (bx - ax) / length * 0.5, (by - ay) / length * 0.5
    nx, ny = -uy * width, ux * width
    ax, ay, bx, by = ax - ux, ay - uy, bx + ux, by + uy
    return [(ax + nx, ay + ny), (bx + nx, by + ny), (bx - nx, by - ny), (ax - nx, ay - ny)]


def smooth_icon(size, samples=4):
    """The icon's shapes drawn at size x size pixels, each pixel's cover
    measured on samples x samples points: rows of (r, g, b, alpha)."""
    scale = size / 32.0
    polygons = []
    for shape in icon_shapes():
        if shape[0] == 'rect':
            _, x0, y0, x1, y1, c = shape
            points = [(x0, y0), (x1 + 1, y0), (x1 + 1, y1 + 1), (x0, y1 + 1)]
        elif shape[0] == 'line':
            _, x0, y0, x1, y1, c = shape
            points = line_polygon(x0, y0, x1, y1, 1.0)
        else:
            points, c = shape[1], shape[2]
        polygons.append(([(x * scale, y * scale) for x, y in points], c))
    out = [[(0, 0, 0, 0)] * size for _ in range(size)]
    offsets = [(i + 0.5) / samples for i in range(samples)]
    for points, c in polygons:
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        for y in range(max(int(min(ys)), 0), min(int(max(ys)) + 1, size)):
            for x in range(max(int(min(xs)), 0), min(int(max(xs)) + 1, size)):
                hits = sum(inside(points, x + ox, y + oy) for oy in offsets for ox in offsets)
                if not hits:
                    continue
                a = hits / (samples * samples)
                r, g, b, da = out[y][x]
                na = a + da * (1 - a)
                mix = [(c[k] * a + (r, g, b)[k] * da * (1 - a)) / na for k in range(3)]
                out[y][x] = (round(mix[0]), round(mix[1]), round(mix[2]), round(na * 255) / 255)
    return [[(r, g, b, round(a * 255)) if a > 0 else None for r, g, b, a in row] for row in out]


def program_icon(size):
    """The program's icon: a list of startup items with ticks, and a quill."""
    if size > 32:
        return smooth_icon(size)
    cv = pixel_icon()
    if size == 32:
        return [[cv.px[y][x] for x in range(32)] for y in range(32)]
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            cells = [cv.px[2 * y + j][2 * x + i] for j in (0, 1) for i in (0, 1)]
            solid = [c for c in cells if c is not None]
            if len(solid) < 2:
                row.append(None)
            else:
                row.append(tuple(sum(c[k] for c in solid) // len(solid) for k in range(3)))
        out.append(row)
    return out


def ico_bytes(images):
    """An .ico of 32-bit images (lists of rows of (r, g, b), (r, g, b, alpha)
    or None); a 256-pixel image is written with the size byte 0."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        n = len(img)
        xor = bytearray()
        for y in range(n - 1, -1, -1):
            for x in range(n):
                c = img[y][x]
                xor += bytes((0, 0, 0, 0)) if c is None else bytes((c[2], c[1], c[0], c[3] if len(c) > 3 else 255))
        mask_row = ((n + 31) // 32) * 4
        mask = bytearray()
        for y in range(n - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(n):
                if img[y][x] is None:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = info + bytes(xor) + bytes(mask)
        entries.append(struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(blob), offset))
        offset += len(blob)
        blobs.append(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src', 'resources', 'images')
    os.makedirs(out, exist_ok=True)
    files = {
        'menuicons.bmp': strip(MENU_ICONS),
        'iconlist.bmp': strip(ICON_LIST),
        'toolpicsa.bmp': strip(TOOL_PICS),
        'quillmara.ico': ico_bytes([program_icon(s) for s in (256, 48, 32, 16)]),
    }
    assert len(MENU_ICONS) == 18 and len(ICON_LIST) == 17 and len(TOOL_PICS) == 11
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
