#!/usr/bin/python3
"""The command-line tools with a screen saver at the kit's size limit (1 GiB less 32 KiB: random
bytes and a data header): build, inspect and extract by the Linux tool and by the Windows tool
under Wine, each timed and its peak memory taken, against a plain copy of the same file (cp,
which copies inside the kernel, and dd bs=1M, which reads and writes through its own memory as
the tool does; under Wine cmd /c copy /b). Linux: wall time and the peak resident set of the
tool's process (ru_maxrss, as GNU time's %M gives it). Windows: build/win32/peak_memory.exe
(bench/peak_memory_win.cpp) runs the tool inside Wine and gives the time there and the highest
PeakWorkingSetSize that GetProcessMemoryInfo gave, which Wine takes from the process's VmHWM.
Tool and copies take turns, each after a sync; the fastest of RUNS runs of each and the median
ratio are in one Markdown table, progress on stderr. Both tools' installers and the extracted
screen savers are compared with each other and with the file.
With --pictures, instead: the largest splash pictures (8192 x 8192: an 8-bit and a 16-bit RGBA
PNG, baseline JPEGs with and without subsampled colour and a progressive one, ImageMagick
gradients; and the largest files: random pixels as a PNG stored uncompressed and as a 32-bit
BMP) through header --splash by the Linux tool, the peak resident set and the time of
each, the fastest of RUNS runs.
usage: bench/kit_bench.py [--pictures] [RUNS]   (RUNS 5 by default; it builds what it needs first)"""
import os
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zlib

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
tool = os.path.join(root, 'build/host/make-installer')
win32 = os.path.join(root, 'build/win32')
only_pictures = '--pictures' in sys.argv[1:]
numbers = [a for a in sys.argv[1:] if a != '--pictures']
runs = max(1, int(numbers[0])) if numbers else 5
limit = (1 << 30) - (32 << 10)


def log(text):
    print('kit bench: ' + text, file=sys.stderr, flush=True)


def linux(work, *args):
    """(ms, peak bytes, CPU ms) of one run of `args` in `work`. GNU time forks it: a child
    forked from this Python would carry Python's own peak resident set (some 14 MiB) through
    its exec."""
    peak = os.path.join(work, 'peak.txt')
    start = time.monotonic()
    code = subprocess.run(['/usr/bin/time', '-f', '%M %U %S', '-o', peak, *args], cwd=work,
                          stdout=subprocess.DEVNULL).returncode
    ms = (time.monotonic() - start) * 1000
    if code != 0:
        sys.exit(f'kit bench: {args} exits {code}')
    with open(peak) as f:
        kib, user, system = f.read().split()[-3:]
    return ms, int(kib) * 1024, (float(user) + float(system)) * 1000


def windows(work, *args):
    """(ms, peak bytes, None) of one run of the Windows program `args` under Wine, in `work`."""
    out = subprocess.run([os.path.join(root, 'runner/wine-run'), '--build', win32,
                          os.path.join(win32, 'peak_memory.exe'), *args], cwd=work,
                         stdout=subprocess.PIPE, text=True, check=True).stdout
    _, ms, code, peak, _ = out.strip().splitlines()[-1].split()
    if code != '0':
        sys.exit(f'kit bench: {args} exits {code} under Wine')
    return float(ms), int(peak), None


def z_path(path):
    return 'Z:' + path.replace('/', '\\')


def measure(work, run, exe, copies):
    """{command: [(ms, peak, {copy: ms}), ...]}: build and extract each against the copies,
    in an order that turns from pair to pair; inspect, which reads the file once, alone."""
    commands = {'build': [exe, 'build', 'Saver.scr', '-o', 'Setup.exe'],
                'inspect': [exe, 'inspect', 'Setup.exe'],
                'extract': [exe, 'extract', 'Setup.exe', '-o', 'Back.scr']}
    figures = {name: [] for name in commands}
    for i in range(runs):
        for name, args in commands.items():
            if name == 'inspect':
                os.sync()
                figures[name].append((*run(work, *args)[:2], {}, {}))
                continue
            sides = [('tool', args), *copies.items()]
            got = {}
            for side, command in sides[i % len(sides):] + sides[:i % len(sides)]:
                # Each starts with nothing left to write back, so none pays for another.
                os.sync()
                got[side] = run(work, *command)
                if side != 'tool':
                    os.remove(os.path.join(work, 'Copy.scr'))
            ms, peak, cpu = got.pop('tool')
            figures[name].append((ms, peak, {copy: got[copy][0] for copy in got},
                                  {'tool': cpu, **{copy: got[copy][2] for copy in got}}))
    return figures


# The largest pictures a splash may be, as ImageMagick makes them: the name, its arguments.
PICTURES = [
    ('PNG, 8-bit RGBA', 'big8.png', ['gradient:rgba(255,0,0,1)-rgba(0,0,255,0)', 'PNG32:big8.png']),
    ('PNG, 16-bit RGBA', 'big16.png',
     ['gradient:rgba(255,0,0,1)-rgba(0,0,255,0)', '-depth', '16', 'PNG64:big16.png']),
    ('JPEG, baseline, quality 90 (4:4:4)', 'big.jpg', ['gradient:red-blue', '-quality', '90',
                                                        'big.jpg']),
    ('JPEG, baseline, quality 85 (4:2:0)', 'big420.jpg',
     ['gradient:red-blue', '-quality', '85', '-sampling-factor', '2x2', 'big420.jpg']),
    ('JPEG, progressive, quality 90 (4:4:4)', 'bigp.jpg',
     ['gradient:red-blue', '-quality', '90', '-interlace', 'JPEG', 'bigp.jpg']),
]
SIDE = 8192


def noise_png(path):
    """8-bit RGB random pixels in deflate's stored blocks: no PNG of this size is larger."""
    row = 1 + 3 * SIDE
    raw = bytearray(os.urandom(row * SIDE))
    raw[::row] = bytes(SIDE)  # each row's filter: none
    data = zlib.compress(bytes(raw), 0)

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', SIDE, SIDE, 8, 2, 0, 0, 0)))
        for at in range(0, len(data), 8 << 20):
            f.write(chunk(b'IDAT', data[at:at + (8 << 20)]))
        f.write(chunk(b'IEND', b''))


def noise_bmp(path):
    """32-bit random pixels: the largest BMP a splash may be."""
    rows = 4 * SIDE * SIDE
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 54 + rows, 0, 0, 54))
        f.write(struct.pack('<IiiHHIIiiII', 40, SIDE, SIDE, 1, 32, 0, rows, 2835, 2835, 0, 0))
        f.write(os.urandom(rows))


# Made here rather than by ImageMagick, which takes minutes and gigabytes for random pixels.
MADE = [
    ('PNG, 8-bit RGB, random pixels, stored', 'noise.png', noise_png),
    ('BMP, 32-bit, random pixels', 'noise.bmp', noise_bmp),
]


def pictures():
    """The Markdown rows for header --splash with each of PICTURES."""
    work = tempfile.mkdtemp(prefix='kit-bench-', dir=os.path.join(root, 'build'))
    with open(os.path.join(work, 'raw.bin'), 'wb') as f:
        f.write(os.urandom(4096))
    print('| Figure (Linux tool, header --splash, 8192 × 8192 picture) | Goal | Measured | Met |')
    print('|---|---|---|---|')
    for name, file, make in PICTURES + MADE:
        log(f'making {name}')
        if callable(make):
            make(os.path.join(work, file))
        else:
            subprocess.run(['convert', '-size', f'{SIDE}x{SIDE}', *make], cwd=work, check=True)
        got = [linux(work, tool, 'header', 'raw.bin', '--splash', file, '-o', 'out.scr')
               for _ in range(runs)]
        peak = max(run[1] for run in got) / (1 << 20)
        size = os.path.getsize(os.path.join(work, file)) / (1 << 20)
        met = 'yes' if peak * (1 << 20) < 300e6 else 'no'
        print(f'| {name} ({size:.1f} MiB file): peak memory | < 300 MB (286 MiB) | '
              f'{peak:.1f} MiB | {met} |')
        print(f'| … time, ms (fastest; runs) | | {min(r[0] for r in got):.0f}; '
              + '; '.join(f'{r[0]:.0f}' for r in got) + ' | |')
    subprocess.run(['rm', '-rf', work])


def main():
    if only_pictures:
        log('building (scripts/build)')
        subprocess.run(['bash', 'scripts/build'], cwd=root, check=True, stdout=subprocess.DEVNULL)
        print(f'{time.strftime("%Y-%m-%d", time.gmtime())}; {runs} runs each')
        print()
        pictures()
        return
    log('building (scripts/build)')
    built = subprocess.run(['bash', 'scripts/build'], cwd=root, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, text=True)
    if built.returncode != 0:
        sys.exit(built.stdout + '\nkit bench: the build failed')
    for needed in (tool, os.path.join(win32, 'make-installer.exe'),
                   os.path.join(win32, 'peak_memory.exe')):
        if not os.path.exists(needed):
            sys.exit(f'kit bench: the build made no {needed}')
    subprocess.run([os.path.join(root, 'runner/wine-env'), 'start', win32], check=True,
                   stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix='kit-bench-', dir=os.path.join(root, 'build'))
    log(f'making a screen saver of {limit} bytes in {work}')
    with open(os.path.join(work, 'raw.bin'), 'wb') as f:
        for _ in range(limit // (1 << 20)):
            f.write(os.urandom(1 << 20))
        f.write(os.urandom(limit % (1 << 20) - 198))
    linux(work, tool, 'header', 'raw.bin', '-o', 'Saver.scr')
    os.remove(os.path.join(work, 'raw.bin'))
    assert os.path.getsize(os.path.join(work, 'Saver.scr')) == limit
    sides = {}
    log(f'the Linux tool, {runs} pairs')
    sides['Linux'] = measure(work, linux, tool, {
        'cp': ['cp', 'Saver.scr', 'Copy.scr'],
        'dd bs=1M': ['dd', 'if=Saver.scr', 'of=Copy.scr', 'bs=1M', 'status=none']})
    os.rename(os.path.join(work, 'Setup.exe'), os.path.join(work, 'Linux.exe'))
    os.rename(os.path.join(work, 'Back.scr'), os.path.join(work, 'Linux.scr'))
    log(f'the Windows tool under Wine, {runs} pairs')
    windows_tool = z_path(os.path.join(win32, 'make-installer.exe'))
    sides['Windows (Wine)'] = measure(work, windows, windows_tool, {
        'copy /b': ['cmd', '/c', 'copy', '/b', 'Saver.scr', 'Copy.scr']})
    same = all(subprocess.run(['cmp', '-s', a, b], cwd=work).returncode == 0
               for a, b in (('Linux.exe', 'Setup.exe'), ('Linux.scr', 'Saver.scr'),
                            ('Back.scr', 'Saver.scr')))
    if same:
        subprocess.run(['rm', '-rf', work])
    wine = subprocess.run(['wine', '--version'], stdout=subprocess.PIPE, text=True).stdout.strip()
    cpu = next((line.split(':', 1)[1].strip() for line in open('/proc/cpuinfo')
                if line.startswith('model name')), '?')
    print(f'Machine: {cpu}, {os.cpu_count()} cores, {wine}; screen saver of {limit:,} bytes; '
          f'{runs} pairs per figure; {time.strftime("%Y-%m-%d", time.gmtime())}')
    print()
    print('| Figure | Goal | Measured | Met |')
    print('|---|---|---|---|')
    for side, figures in sides.items():
        for name, rows in figures.items():
            peak = max(row[1] for row in rows) / (1 << 20)
            print(f'| {side} {name}: peak memory | < 64 MiB | {peak:.1f} MiB | '
                  f'{"yes" if peak < 64 else "no"} |')
            ms = statistics.median(row[0] for row in rows)
            if name == 'inspect':
                runs_ms = '; '.join(f'{row[0]:.0f}' for row in rows)
                print(f'| {side} {name}, ms (median; runs) | | {ms:.0f}; {runs_ms} | |')
                continue
            # Writes of 1 GiB on a shared machine scatter widely: the fastest of each side is
            # what the goal is about, as for the installer's own extraction.
            fastest = min(row[0] for row in rows)
            for name_of_copy in rows[0][2]:
                copy = min(row[2][name_of_copy] for row in rows)
                median = statistics.median(row[0] / row[2][name_of_copy] for row in rows)
                pairs = '; '.join(f'{row[0]:.0f}/{row[2][name_of_copy]:.0f}' for row in rows)
                met = 'yes' if fastest / copy <= 1.25 else 'no'
                print(f'| {side} {name} ÷ {name_of_copy} (fastest of each) | ≤ 1.25 | '
                      f'{fastest / copy:.2f} ({fastest:.0f} / {copy:.0f} ms) | {met} |')
                print(f'| … pairs, ms (tool / {name_of_copy}); median ratio {median:.2f} | | '
                      f'{pairs} | |')
            # The processor time a run takes scatters far less than its wall time.
            if rows[0][3]['tool'] is not None:
                least = {side: min(row[3][side] for row in rows) for side in rows[0][3]}
                print(f'| … CPU time, user + system (least of each), ms | | '
                      + '; '.join(f'{side} {ms:.0f}' for side, ms in least.items()) + ' | |')
    print(f'| Both tools give the same installer, and extract the file | same | '
          f'{"same" if same else "different"} | {"yes" if same else "no"} |')


main()
