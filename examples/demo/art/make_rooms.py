#!/usr/bin/env python3
"""Turns the character maps below into the demo's play rooms (rooms/rm_garden*.json) and
plays the maps through to write the recorded run (replay/demo.input): the title is left with
Enter, garden 1 is walked with the arrow keys, garden 2 with a gamepad, and F9 takes a
screenshot now and then. Standard library only.

Run from anywhere:  python3 examples/demo/art/make_rooms.py
"""
import collections
import json
import os

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CELL = 16
SPEED = 4             # the player's pixels per step: a cell takes CELL // SPEED steps
ROOM_START_WAIT = 12  # steps to stand still after entering a room, so small timing changes are harmless

# '#' wall, 'P' player, 'g' gem, 'b' beetle going sideways, 'v' beetle going up and down,
# 'w' wisp, 'D' door; scenery tiles: '*' flowers, 'm' mushroom, '.' pebbles, '"' fern.
GARDEN1 = """
########################################
#P   g    *    #         g     "   m   #
#         ##   #   b          ######   #
#   ####       #          g   #    #   #
#   #  g    "  #    ####      #  g #   #
#   #          #              #    #   #
#   #######    ####  #####    ##  ##   #
#  *    g           g                . #
#                                      #
#  b       ####        b        ###    #
#          #  g        g          #  D #
# *        #      "               #    #
#          #########       m      #    #
#   .         g                  g#  * #
########################################
"""

GARDEN2 = """
########################################
#P        #   b      m          #     g#
#         #   g         g       #      #
#   ###   #                     #  ##  #
#   #g    #####   ########   ####   #  #
#   #       "      #    v    #     g#  #
#   #####          #                #  #
#         w        #   g    *      ##  #
#####         ######                   #
#   *   g                ######     g  #
#                             #        #
#      ######                 #   "    #
#      #    #          g      ######   #
#   g  #  g #                          #
#      #    ##########   ###########   #
#  .   #               g          #    #
#                                 #  g #
#####   ######   "    #####       #    #
#           #         #   #    v  ##  ##
# w   g     #    g    #   #            #
#  w        #         # g #     *      #
#  ######   ####      #   ####         #
#        m            #      #   ##### #
#   g                 #   .  #   #  D  #
#      ####                      #     #
#      #  g                 g    #     #
#      #           ######        #     #
#  *   #    *        g                 #
#    b                                 #
########################################
"""

OBJECTS = {'#': 'obj_wall', 'P': 'obj_player', 'g': 'obj_gem', 'b': 'obj_beetle',
           'v': 'obj_beetle', 'w': 'obj_wisp', 'D': 'obj_door'}
TILE_LEFT = {'*': 0, 'm': 16, '.': 32, '"': 48}


def parse(text):
    rows = [r for r in text.strip('\n').splitlines()]
    width = max(len(r) for r in rows)
    return [r.ljust(width) for r in rows]


def room(rows, caption, view):
    instances, tiles = [{'object': 'obj_hud', 'x': 0, 'y': 0}], []
    for cy, row in enumerate(rows):
        for cx, c in enumerate(row):
            x, y = cx * CELL, cy * CELL
            if c in OBJECTS:
                inst = {'object': OBJECTS[c], 'x': x, 'y': y}
                if c in 'bv':
                    inst['code'] = 'vertical = %s;' % ('true' if c == 'v' else 'false')
                instances.append(inst)
            elif c in TILE_LEFT:
                tiles.append({'background': 'bg_tiles', 'x': x, 'y': y, 'left': TILE_LEFT[c],
                              'top': 0, 'width': CELL, 'height': CELL, 'depth': 100})
    width, height = len(rows[0]) * CELL, len(rows) * CELL
    out = {
        'caption': caption, 'width': width, 'height': height, 'speed': 30, 'color': '#4C993E',
        'code': 'show_score = true; show_lives = true;',
        'enable_views': True,
        'views': [{'wview': view[0], 'hview': view[1], 'wport': view[0] * 2, 'hport': view[1] * 2,
                   'hborder': 96, 'vborder': 72, 'follow': 'obj_player'}],
        'instances': instances,
    }
    out['backgrounds'] = [{'background': 'bg_grass', 'htiled': True, 'vtiled': True}]
    out['tiles'] = tiles
    return out


def dump(value):
    """JSON with one line per key, and one line per element of the lists."""
    lines = []
    for i, (key, v) in enumerate(value.items()):
        end = ',' if i + 1 < len(value) else ''
        if isinstance(v, list):
            items = ',\n  '.join(json.dumps(e) for e in v)
            lines.append(' %s: [\n  %s\n ]%s' % (json.dumps(key), items, end))
        else:
            lines.append(' %s: %s%s' % (json.dumps(key), json.dumps(v), end))
    return '{\n' + '\n'.join(lines) + '\n}\n'


def find(rows, ch):
    return [(cx, cy) for cy, r in enumerate(rows) for cx, c in enumerate(r) if c == ch]


def path(rows, start, goal):
    """Shortest walk between two cells over anything but walls, as a list of cells."""
    prev = {start: None}
    todo = collections.deque([start])
    while todo:
        cell = todo.popleft()
        if cell == goal:
            break
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            n = (cell[0] + dx, cell[1] + dy)
            if n not in prev and rows[n[1]][n[0]] != '#':
                prev[n] = cell
                todo.append(n)
    out, cell = [], goal
    while cell is not None:
        out.append(cell)
        cell = prev[cell]
    return out[::-1]


def tour(rows):
    """Cells from the player to every gem (nearest first), then to the door."""
    here = find(rows, 'P')[0]
    gems = find(rows, 'g')
    cells = [here]
    while gems:
        best = min((path(rows, here, g) for g in gems), key=len)
        gems.remove(best[-1])
        cells += best[1:]
        here = best[-1]
    cells += path(rows, here, find(rows, 'D')[0])[1:]
    return cells


def runs(cells):
    """Straight runs: (dx, dy, number of cells)."""
    out = []
    for a, b in zip(cells, cells[1:]):
        d = (b[0] - a[0], b[1] - a[1])
        if out and out[-1][:2] == d:
            out[-1] = (d[0], d[1], out[-1][2] + 1)
        else:
            out.append((d[0], d[1], 1))
    return out


KEYS = {(1, 0): 39, (-1, 0): 37, (0, 1): 40, (0, -1): 38}
STICK = {(1, 0): (65535, 32768), (-1, 0): (0, 32768), (0, 1): (32768, 65535), (0, -1): (32768, 0)}


def main():
    rooms = [(GARDEN1, 'Pip\'s Garden - the meadow', (320, 240)),
             (GARDEN2, 'Pip\'s Garden - the hedge maze', (320, 240))]
    blocks = collections.defaultdict(list)

    def at(step, line):
        blocks[step].append(line)

    step = 1
    at(step, '# the title: wait a moment, then Enter')
    step = 60
    at(step, 'keydown 120')
    at(step + 1, 'keyup 120')
    step += 30
    at(step, 'keydown 13')
    at(step + 1, 'keyup 13')
    step += 1 + ROOM_START_WAIT  # the room changes at the end of the step that saw Enter
    for i, (text, caption, view) in enumerate(rooms):
        rows = parse(text)
        name = 'rm_garden%d' % (i + 1)
        with open(os.path.join(ROOT, 'rooms', name + '.json'), 'w') as f:
            f.write(dump(room(rows, caption, view)))
        stick = i == 1
        if stick:
            at(step, 'joystick 1 connect 2 4 0 Demo pad')
        moves = runs(tour(rows))
        shots = {len(moves) // 3, 2 * len(moves) // 3}
        for n, (dx, dy, count) in enumerate(moves):
            held = count * CELL // SPEED
            if stick:
                jx, jy = STICK[(dx, dy)]
                at(step, 'joystick 1 state %d %d 32768 32768 32768 32768 0 -1' % (jx, jy))
                at(step + held, 'joystick 1 state 32768 32768 32768 32768 32768 32768 0 -1')
            else:
                at(step, 'keydown %d' % KEYS[(dx, dy)])
                at(step + held, 'keyup %d' % KEYS[(dx, dy)])
            if n in shots:
                at(step + held, 'keydown 120')
                at(step + held + 1, 'keyup 120')
            step += held
        # The last move ends on the door, which sends the player on at the end of that step.
        step += ROOM_START_WAIT
    at(step + 20, 'keydown 120')
    at(step + 21, 'keyup 120')

    lines = ['input 1', '# Written by art/make_rooms.py: a whole run through the demo.']
    for s in sorted(blocks):
        lines.append('step %d' % s)
        lines += [l for l in blocks[s]]
    os.makedirs(os.path.join(ROOT, 'replay'), exist_ok=True)
    with open(os.path.join(ROOT, 'replay', 'demo.input'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
