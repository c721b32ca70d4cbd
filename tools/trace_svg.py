#!/usr/bin/env python3
"""Draw a window of a Korvane line trace (VCD) and sigrok's decoding of it as an SVG picture.

Example, the picture in docs/ (a 16F84 program of 6 words and the configuration word, traced with
`korvane-cli -P SIM -d 16F84 --trace prog.vcd program FILE.hex` under KORVANE_SIM_CLOCK=virtual):
  tools/trace_svg.py prog.vcd --from 714620000 --to 714805000 --wire VPP --wire PGC --wire PGD \
      --decoder pic_icsp:pgc=PGC:pgd=PGD:vpp=VPP:family=pic16 \
      --row Commands=pic_icsp=command --row Data=pic_icsp=data --row Address=pic_icsp=address \
      --downsample 100 --width 1200 -o docs/trace-16f84.svg
Needs sigrok-cli; SIGROKDECODE_DIR is set to tools/sigrok unless already set.
"""
import argparse
import html
import os
import re
import subprocess
import sys


def read_vcd(path, wanted):
    """Level changes [(t_ns, level)] of the wanted wires, by name."""
    ids, changes, now = {}, {name: [] for name in wanted}, 0
    with open(path) as vcd:
        for line in vcd:
            line = line.strip()
            if line.startswith('$var'):
                parts = line.split()
                if parts[4] in wanted:
                    ids[parts[3]] = parts[4]
            elif line.startswith('#'):
                now = int(line[1:])
            elif line[:1] in '01' and line[1:] in ids:
                changes[ids[line[1:]]].append((now, int(line[0])))
    missing = [name for name in wanted if not changes[name]]
    if missing:
        sys.exit('no wire ' + ', '.join(missing) + ' in ' + path)
    return changes


def decode(path, decoder, annotation, downsample):
    """[(start_ns, end_ns, text)] of one annotation class."""
    env = dict(os.environ)
    env.setdefault('SIGROKDECODE_DIR', os.path.join(os.path.dirname(os.path.abspath(__file__)), 'sigrok'))
    out = subprocess.run(['sigrok-cli', '-I', 'vcd:downsample=%d' % downsample, '-i', path, '-P', decoder,
                          '-A', annotation, '--protocol-decoder-samplenum'],
                         env=env, capture_output=True, text=True, check=True).stdout
    spans = []
    for line in out.splitlines():
        match = re.match(r'(\d+)-(\d+) [^:]+: (.*)', line)
        if match:
            spans.append((int(match[1]) * downsample, int(match[2]) * downsample, match[3]))
    return spans


def level_at(changes, t):
    level = changes[0][1]
    for when, value in changes:
        if when > t:
            break
        level = value
    return level


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('vcd')
    ap.add_argument('--from', dest='t0', type=int, required=True, help='window start, ns')
    ap.add_argument('--to', dest='t1', type=int, required=True, help='window end, ns')
    ap.add_argument('--wire', action='append', required=True)
    ap.add_argument('--decoder', required=True, help="sigrok-cli -P argument")
    ap.add_argument('--row', action='append', default=[], help='TITLE=DECODER=CLASS (sigrok-cli -A)')
    ap.add_argument('--downsample', type=int, default=100)
    ap.add_argument('--width', type=int, default=1000)
    ap.add_argument('-o', '--output', required=True)
    args = ap.parse_args()

    label_w, lane_h, gap = 110, 34, 10
    plot_w = args.width - label_w - 10
    scale = plot_w / (args.t1 - args.t0)
    x = lambda t: label_w + (min(max(t, args.t0), args.t1) - args.t0) * scale

    changes = read_vcd(args.vcd, args.wire)
    rows = []
    for row in args.row:
        title, annotation = row.split('=', 1)
        rows.append((title, decode(args.vcd, args.decoder, annotation, args.downsample)))

    lanes = len(args.wire) + len(rows)
    height = lanes * (lane_h + gap) + 36
    svg = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" font-family="sans-serif" '
           'font-size="12">' % (args.width, height),
           '<rect width="100%" height="100%" fill="#1e1e1e"/>']
    y = gap
    for name in args.wire:
        wire = changes[name]
        hi, lo = y + 4, y + lane_h - 4
        points, level = [], level_at(wire, args.t0)
        points.append((x(args.t0), lo if level == 0 else hi))
        for when, value in wire:
            if args.t0 < when < args.t1 and value != level:
                points.append((x(when), lo if level == 0 else hi))
                level = value
                points.append((x(when), lo if level == 0 else hi))
        points.append((x(args.t1), lo if level == 0 else hi))
        svg.append('<text x="8" y="%d" fill="#ddd">%s</text>' % (y + lane_h // 2 + 4, html.escape(name)))
        svg.append('<polyline fill="none" stroke="#6fdc6f" stroke-width="1.5" points="%s"/>'
                   % ' '.join('%.1f,%.1f' % p for p in points))
        y += lane_h + gap
    for title, spans in rows:
        svg.append('<text x="8" y="%d" fill="#ddd">%s</text>' % (y + lane_h // 2 + 4, html.escape(title)))
        for start, end, text in spans:
            if end < args.t0 or start > args.t1:
                continue
            left, right = x(start), x(end)
            svg.append('<rect x="%.1f" y="%d" width="%.1f" height="%d" rx="4" fill="#2f5f9f" stroke="#8fb8ef"/>'
                       % (left, y + 4, max(right - left, 1), lane_h - 8))
            fits = int((right - left - 6) / 6.5)
            if fits < len(text):
                text = text[:fits - 1] + '…' if fits > 2 else ''
            if text:
                svg.append('<text x="%.1f" y="%d" fill="#fff" text-anchor="middle">%s</text>'
                           % ((left + right) / 2, y + lane_h // 2 + 4, html.escape(text)))
        y += lane_h + gap
    # A time axis in µs from the window's start, ticks every 10, 20 or 50 µs.
    span_us = (args.t1 - args.t0) / 1000
    step = next(s for s in (1, 2, 5, 10, 20, 50, 100, 200, 500, 1000) if span_us / s <= 12)
    for tick in range(0, int(span_us) + 1, step):
        tx = x(args.t0 + tick * 1000)
        svg.append('<line x1="%.1f" y1="%d" x2="%.1f" y2="%d" stroke="#555"/>' % (tx, y - gap + 2, tx, y + 2))
        svg.append('<text x="%.1f" y="%d" fill="#aaa" text-anchor="middle">%d µs</text>' % (tx, y + 16, tick))
    svg.append('</svg>')
    with open(args.output, 'w') as out:
        out.write('\n'.join(svg) + '\n')


if __name__ == '__main__':
    main()
