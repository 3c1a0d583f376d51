#!/usr/bin/env python3
"""The page in a headless browser, through its real file inputs and Build button: each installer
it saves must be byte for byte what make-installer header and build make from the same files,
and each refusal must show its reason and save nothing.
usage: page_test.py chromium|firefox PAGE.HTML MAKE-INSTALLER SOURCE_DIR SETUP.EXE"""
import base64
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../runner'))
import browsers  # noqa: E402

page, tool, source, stub = map(os.path.abspath, sys.argv[2:])
saver = os.path.join(os.path.dirname(stub), 'starlight.scr')
work = tempfile.mkdtemp(prefix='web-page-')
failures = []


def bmp(header, bits, masks=b'', palette=b'', width=13, height=7):
    """A BMP file of a 40-byte or 124-byte (V5) header, rows of a known byte pattern."""
    stride = (width * bits + 31) // 32 * 4
    rows = bytes((i * 37 + 11) % 256 for i in range(stride * height))
    info = struct.pack('<IiiHHIIiiII', header, width, height, 1, bits, 3 if masks else 0,
                       len(rows), 2835, 2835, 0, 0) + masks
    info += bytes(header - len(info))
    start = 14 + len(info) + len(palette)
    return struct.pack('<2sIHHI', b'BM', start + len(rows), 0, 0, start) + info + palette + rows


def png(width=11, height=5):
    """An RGBA PNG whose alpha runs through every value: the alpha rule and the decoder."""
    rows = b''.join(b'\0' + bytes((y * 53 + i * 29) % 256 for i in range(width * 4))
                    for y in range(height))
    chunk = lambda kind, data: (struct.pack('>I', len(data)) + kind + data +
                                struct.pack('>I', zlib.crc32(kind + data)))
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows)) +
            chunk(b'IEND', b''))


def file(name, data):
    path = os.path.join(work, name)
    with open(path, 'wb') as f:
        f.write(data)
    return path


grey = b''.join(bytes((i, i, i, 0)) for i in range(256))
pictures = {
    'splash': os.path.join(source, 'samples/starlight-splash.bmp'),
    '8-bit': file('grey8.bmp', bmp(40, 8, palette=grey)),
    '32-bit V5': file('alpha32.bmp', bmp(124, 32, struct.pack('<4I', 0xFF0000, 0xFF00, 0xFF,
                                                             0xFF000000))),
    'PNG': file('alpha.png', png()),
    'wide': file('wide.png', png(1100, 3)),
    'cut short': file('cut.bmp', bmp(40, 24)[:60]),
    'empty': file('empty.bmp', b''),
    'huge': file('huge.png', b'\x89PNG\r\n\x1a\n'),
}
os.truncate(pictures['huge'], 3 << 30)  # sparse; more than the page could take in to refuse it
# A progressive JPEG as ImageMagick writes it, and the same cut inside its last scan and closed.
pictures['progressive'] = os.path.join(work, 'plasma.jpg')
subprocess.run(['convert', '-size', '64x48', 'plasma:fractal', '-seed', '3', '-interlace', 'JPEG',
                pictures['progressive']], check=True)
with open(pictures['progressive'], 'rb') as f:
    jpeg = f.read()
pictures['last scan cut'] = file('last.jpg', jpeg[:(jpeg.rfind(b'\xff\xda') + len(jpeg)) // 2] +
                                 b'\xff\xd9')


def made(picture, name='starlight.scr', original=saver):
    """What the tool makes: header into a folder of its own, then build under `name`."""
    folder = tempfile.mkdtemp(dir=work)
    scr = os.path.join(folder, 'starlight.scr')
    splash = ['--splash', pictures[picture]] if picture else []
    subprocess.run([tool, 'header', original, '-o', scr] + splash, check=True,
                   stdout=subprocess.DEVNULL)
    out = os.path.join(folder, 'out.exe')
    subprocess.run([tool, 'build', scr, '-o', out, '--name', name], check=True,
                   stdout=subprocess.DEVNULL)
    return out


# The tool's reason for refusing `name`, which the page must give word for word.
def refusal(name):
    run = subprocess.run([tool, 'build', with_header, '-o', os.path.join(work, 'no.exe'), '--name',
                          name], stderr=subprocess.PIPE, text=True, env={'LC_ALL': 'C.UTF-8'})
    return run.stderr.split(f'"{name}": ', 1)[-1].strip()


sample = made('splash')
# Larger than the pieces the page streams its file in, so that the scan runs across seams.
with open(saver, 'rb') as f:
    large = file('large.scr', f.read() + bytes((i * 7919 >> 5) % 256 for i in range(5 << 20)))
with_header = os.path.join(os.path.dirname(sample), 'starlight.scr')
# case, screen saver file, picture, name (None: the file's), the file saved and its bytes (None:
# nothing saved), words the message must hold
CASES = [
    ('the sample', saver, 'splash', None, 'starlightSetup.exe', sample, ''),
    ('no picture', saver, None, None, 'starlightSetup.exe', made(None), ''),
    ('8-bit picture', saver, '8-bit', None, 'starlightSetup.exe', made('8-bit'), ''),
    ('32-bit V5 picture', saver, '32-bit V5', None, 'starlightSetup.exe', made('32-bit V5'), ''),
    ('PNG picture', saver, 'PNG', None, 'starlightSetup.exe', made('PNG'), ''),
    ('progressive JPEG picture', saver, 'progressive', None, 'starlightSetup.exe',
     made('progressive'), ''),
    ('a picture wider than a screen', saver, 'wide', None, 'starlightSetup.exe', made('wide'),
     'splash picture: ok; note: larger than the 1008 x 768 pixels a 1024 x 768 screen has'),
    ('a name given', saver, 'splash', 'Night Sky.scr', 'Night SkySetup.exe',
     made('splash', 'Night Sky.scr'), ''),
    ('a Japanese name', saver, None, '星空.scr', '星空Setup.exe', made(None, '星空.scr'), ''),
    # Saved under a shorter name: Chromium on Linux saves nothing past 243 bytes of UTF-8.
    ('a long Japanese name', saver, None, '星' * 79 + '.scr', '星' * 77 + 'Setup.exe',
     made(None, '星' * 79 + '.scr'), ''),
    ('a 5 MiB screen saver', large, 'PNG', None, 'largeSetup.exe',
     made('PNG', 'large.scr', large), ''),
    ('a data header already', with_header, None, None, 'starlightSetup.exe', sample, ''),
    ('an installer, taken out', sample, None, None, 'starlight.scr', with_header,
     'installer already built'),
    ('not a screen saver', file('old16.scr', b'MZ' + bytes(58) + struct.pack('<I', 64) + b'NE' +
                                bytes(62)), None, None, None, None, 'not a screen saver'),
    ('an ARM32 program', file('arm.scr', b'MZ' + bytes(58) + struct.pack('<I', 64) + b'PE\0\0' +
                              struct.pack('<H', 0x1C4) + bytes(58)), None, None, None, None,
     '0x01C4: no Windows runs screen savers built for this machine'),
    ('an empty file', file('empty.scr', b''), None, None, None, None, 'the file is empty'),
    ('a file over the size limit', file('huge.scr', b''), None, None, None, None,
     'the file has 1288490188 bytes'),
] + [(f'the name {name}', saver, None, name, None, None, refusal(name))
      for name in ('..\\evil.scr', 'Café.scr', '\U0001F600.scr', '24/7 Clock.scr', 'What?.scr',
                   'a\tb.scr', '.scr')] + [
    ('a data header and a picture', with_header, 'splash', None, None, None,
     'already carries a data header'),
    ('a picture left out', saver, 'cut short', None, None, None,
     'cut.bmp: the pixel rows reach past the end'),
    ('an empty picture', saver, 'empty', None, None, None, 'not a BMP'),
    ('a JPEG cut inside its last scan', saver, 'last scan cut', None, None, None,
     'last.jpg: the JPEG file ends before its picture does'),
    ('a picture larger than any taken', saver, 'huge', None, None, None,
     'a picture file of 3221225472 bytes'),
]

os.truncate(os.path.join(work, 'huge.scr'), 1288490188)  # refused by its size, not read
browser = {'chromium': browsers.Chromium, 'firefox': browsers.Firefox}[sys.argv[1]]()
print(sys.argv[1], browser.version)
element = browser.element


def until(condition, timeout=30):
    deadline = time.time() + timeout
    while not (value := condition()):
        if time.time() > deadline:
            raise TimeoutError(f'waited {timeout} s')
        time.sleep(0.05)
    return value


def settled():
    return not element('build').get_attribute('disabled') or element('message').text


def saved(folder, wanted):
    """The file saved as `wanted` once whole: no partial file beside it and its size steady."""
    path, last = os.path.join(folder, wanted), [None]

    def whole():
        names = os.listdir(folder)
        size = os.path.getsize(path) if wanted in names else None
        steady, last[0] = size == last[0], size
        return size is not None and steady and not any(n.endswith(('.part', '.crdownload'))
                                                        for n in names)
    try:
        return until(whole, 20) and path
    except TimeoutError:
        return None


def nothing_saved(folder):
    """What the page saved besides a file it is then told to save, which starts after."""
    browser.js('save([new Uint8Array(1)], "sentinel")')
    os.remove(saved(folder, 'sentinel'))
    return os.listdir(folder)


def new_downloads():
    folder = tempfile.mkdtemp(dir=work)
    browser.downloads(folder)
    return folder


try:
    for case, scr, picture, name, wanted, expected, words in CASES:
        folder = new_downloads()
        browser.open('file://' + page)
        if picture:
            element('picture').send_keys(pictures[picture])
        element('saver').send_keys(scr)
        until(settled)
        if name is not None:
            browser.js('const n = document.getElementById("name"); n.value = arguments[0];'
                       'n.dispatchEvent(new Event("input"));', name)
            until(lambda: words in element('message').text if expected is None else
                  name.rsplit('.', 1)[0] in element('shown').text)
        message = element('message').text + '\n' + element('checks').text
        if wanted and 'x86 (32-bit): into SysWOW64' not in element('machine').text + element('report').text:
            failures.append(f'{case}: the machine shows as "{element("machine").text}"')
        element('extract' if 'installer' in case else 'build').click()
        out = saved(folder, wanted) if wanted else None
        if wanted and (not out or open(out, 'rb').read() != open(expected, 'rb').read()):
            failures.append(f'{case}: the page saved {out}, not the bytes of {expected}')
        if not wanted and (extra := nothing_saved(folder)):
            failures.append(f'{case}: the page saved {extra} after a refusal')
        if words not in message:
            failures.append(f'{case}: the message "{message}" does not say "{words}"')
        print(f'{case}: {"FAIL" if failures and failures[-1].startswith(case) else "ok"}')

    # The preview against the installer's own paint under Wine (docs/, made by
    # scripts/docs-pictures): the sample at 1024 x 768 and 0 %, the question box in the middle and
    # the titles aside. Then the filled part of the bar at other sizes and percentages.
    shot = subprocess.run(['convert', os.path.join(source, 'docs/progress-1024x768.png'), 'rgb:-'],
                          check=True, stdout=subprocess.PIPE).stdout
    browser.open('file://' + page)
    element('picture').send_keys(pictures['splash'])
    element('saver').send_keys(saver)
    until(settled)
    for screen, percent, filled in [('1024 × 768', 0, 0), ('1024 × 768', 37, 119),
                                    ('1920 × 1080', 37, 229), ('1366 × 768', 100, 436)]:
        browser.js('const s = document.getElementById("screen"); s.value = arguments[0];'
                   's.dispatchEvent(new Event("change"));', screen)
        browser.js('const p = document.getElementById("percent"); p.value = arguments[0];'
                   'p.dispatchEvent(new Event("input"));', percent)
        width, height = map(int, screen.split(' × '))
        until(lambda: element('preview').get_attribute('data-drawn') ==
              f'{width}x{height} {percent}')
        drawn = base64.b64decode(browser.js(
            'const d = document.getElementById("preview").getContext("2d")'
            '.getImageData(0, 0, arguments[0], arguments[1]).data; let s = "";'
            'for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i+1], d[i+2]);'
            'return btoa(s);', width, height))
        pixel = lambda x, y: drawn[(y * width + x) * 3:(y * width + x) * 3 + 3]
        bar_top = height - 60
        magenta = [pixel(x, bar_top + 1) for x in range(width)].count(b'\xff\x00\xff')
        if magenta != filled:
            failures.append(f'preview {screen} {percent} %: {magenta} magenta columns, not {filled}')
        if percent == 0:
            # Gradient columns clear of everything, the splash, the bar but its label.
            points = [(x, y) for x in (0, 15, 1010, 1023) for y in range(768)]
            points += [(x, y) for x in range(16, 208) for y in range(640, 768)]
            points += [(x, y) for x in range(682, 1004) if abs(x - 843) > 40
                       for y in range(708, 748)]
            wrong = [p for p in points if pixel(*p) != shot[(p[1] * 1024 + p[0]) * 3:][:3]]
            print(f'preview against the installer: {len(points) - len(wrong)} of {len(points)} '
                  'pixels equal')
            if wrong:
                failures.append(f'preview: {len(wrong)} pixels differ from the installer\'s, '
                                f'first at {wrong[0]}')

    # A screen saver and a picture dropped together on the screen saver's field each go to their
    # own; the picture can be taken away again.
    browser.js(
        'const dt = new DataTransfer();'
        'dt.items.add(new File([new Uint8Array(8)], "a.png")); dt.items.add(new File([], "b.scr"));'
        'document.querySelector("label[for=saver]").dispatchEvent('
        'new DragEvent("drop", {dataTransfer: dt, bubbles: true, cancelable: true}));')
    names = lambda: [element(i).get_attribute('value').split('\\')[-1] for i in ('saver', 'picture')]
    if names() != ['b.scr', 'a.png']:
        failures.append(f'a drop of both fills the fields as {names()}')
    element('no-picture').click()
    if names()[1] or element('no-picture').get_attribute('hidden') is None:
        failures.append('"Remove the picture" leaves it')

    # A screen saver rebuilt after it was checked, to the same size or another, or gone, and a
    # picture gone: nothing saved, and the page says why in its language, whatever the browser
    # noticed.
    changed = 'changed after it was checked'
    for i, (how, click, words) in enumerate([
            ('rebuilt to its size', 'build', changed), ('gone', 'build', changed),
            ('grown', 'lang', '確認した後でファイルが変わりました'),  # read again, in Japanese
            ('picture gone', 'lang', 'gone.bmp: the file ' + changed)]):
        folder, changing = new_downloads(), file(f'changing{i}.scr', open(saver, 'rb').read())
        if how == 'picture gone':
            element('picture').send_keys(file('gone.bmp', open(pictures['splash'], 'rb').read()))
        element('saver').send_keys(changing)
        until(lambda: not element('build').get_attribute('disabled'))  # the last one left it off
        if how.endswith('gone'):
            os.remove(changing if how == 'gone' else os.path.join(work, 'gone.bmp'))
        else:
            with open(changing, 'r+b') as f:
                f.seek(-7 if how == 'rebuilt to its size' else 0, 2)
                f.write(b'rebuilt')
        element(click).click()  # Build, or the language, which reads the files again
        try:
            until(lambda: words in element('message').text, 10)
        except TimeoutError:
            failures.append(f'saver {how} after its checks: "{element("message").text}"')
        if nothing_saved(folder):
            failures.append(f'saver {how} after its checks: saved')
    element('no-picture').click()

    # An installer whose name leaves the system folder is shown, its own picture in the
    # preview (the chosen one was taken away above), but not taken out.
    with open(sample, 'rb') as f:
        evil = bytearray(f.read())
    at = evil.index(b'@@@@@-----boundary of setup and data-----@@@@@') + 46
    evil[at:at + 12] = b'..\\evil.scr\0'
    element('saver').send_keys(file('evil.exe', bytes(evil)))
    until(lambda: 'leaves the system folder' in element('report').text)
    if element('extract').is_displayed():
        failures.append('an installer whose name leaves the system folder is offered to take out')
    red = browser.js('const d = document.getElementById("preview").getContext("2d")'
                     '.getImageData(16, 640, 192, 128).data; let n = 0;'
                     'for (let i = 0; i < d.length; i += 4) n += d[i] > 0; return n;')
    if not red:
        failures.append("a dropped installer's preview lacks its splash picture")

    # The switch gives the page's words in Japanese, and the kit's reasons follow it.
    element('lang').click()
    if element('build').text != '作成':
        failures.append(f'the switch shows "{element("build").text}" on the Build button')
    with open(sample, 'rb') as f:
        cut = file('cut-installer.exe', f.read()[:-100])
    for picked, where, words in [(file('empty.scr', b''), 'message', 'ファイルが空です'),
                                 (cut, 'report', 'データヘッダーの範囲  データヘッダーかスプラッシュ画像が'),
                                 (saver, 'checks', '置き場所のパス: OK')]:
        element('saver').send_keys(picked)
        try:
            until(lambda: words in element(where).text, 10)
        except Exception:
            failures.append(f'in Japanese, {picked} shows "{element(where).text}"')
finally:
    browser.quit()
    shutil.rmtree(work, ignore_errors=True)

size = os.path.getsize(page)
if size > 400 * 1024:
    failures.append(f'the page has {size} bytes, more than 400 KiB')
for failure in failures:
    print('FAIL:', failure)
sys.exit(1 if failures else 0)
