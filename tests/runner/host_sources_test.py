#!/usr/bin/env python3
"""The guest's packages come only from the host's own sources: runner/guest/host-sources reads
them as apt does, gives the guest the host's Debian 12 entries, and refuses where there are none.
Usage: host_sources_test.py HOST_SOURCES"""
import os, subprocess, sys, tempfile

KEY = ('Signed-By:\n -----BEGIN PGP PUBLIC KEY BLOCK-----\n .\n abc\n'
       ' -----END PGP PUBLIC KEY BLOCK-----')
STANZAS = f'''Types: deb
URIs: file:/srv/old
Suites: bookworm
Components: main
Enabled: no

# security first, which is not the archive itself
Types: deb deb-src
URIs: file:/srv/sec
Suites: bookworm-security
Components: main

Types: deb
URIs: file:/srv/one file:/srv/two
Suites: bookworm bookworm-updates trixie
Components: main non-free-firmware
Architectures: arm64
{KEY}
'''
# name, {file: text}, the mirror (None: refused), the guest's sources (None: not compared)
CASES = [
    ('one-line with options', {'sources.list': '''# deb file:/srv/commented bookworm main
deb-src file:/srv/src bookworm main
deb [ arch=arm64,armhf signed-by=/k.gpg ] file:/srv/a bookworm main contrib # the archive
deb\tfile:/srv/sec bookworm-security main
deb file:/srv/other nodistro main
'''}, 'file:/srv/a', '''Types: deb
URIs: file:/srv/a
Suites: bookworm
Components: main contrib
Signed-By: /k.gpg

Types: deb
URIs: file:/srv/sec
Suites: bookworm-security
Components: main
'''),
    ('deb822 stanzas', {'sources.list.d/debian.sources': STANZAS}, 'file:/srv/one', f'''Types: deb
URIs: file:/srv/sec
Suites: bookworm-security
Components: main

Types: deb
URIs: file:/srv/one file:/srv/two
Suites: bookworm bookworm-updates
Components: main non-free-firmware
{KEY}
'''),
    ('sources.list before its folder', {'sources.list': 'deb file:/srv/first bookworm main\n',
                                        'sources.list.d/a.sources': STANZAS},
     'file:/srv/first', None),
    ('the folder in name order', {'sources.list.d/b.list': 'deb file:/srv/b bookworm main\n',
                                  'sources.list.d/c.sources': STANZAS}, 'file:/srv/b', None),
    ('other file names ignored', {'sources.list.d/a.list.off': 'deb file:/srv/a bookworm main\n',
                                  'sources.list.d/b.list': 'deb file:/srv/b bookworm main\n'},
     'file:/srv/b', None),
    ('none at all', {}, None, None),
    ('only updates and security', {'sources.list': 'deb file:/srv/u bookworm-updates main\n'
                                   'deb file:/srv/s bookworm-security main\n'}, None, None),
    ('no main component', {'sources.list': 'deb file:/srv/c bookworm contrib\n'}, None, None),
    ('sources only', {'sources.list': 'deb-src file:/srv/s bookworm main\n'}, None, None),
    ('disabled', {'sources.list.d/d.sources': STANZAS.split('\n\n')[0] + '\n'}, None, None),
    ('unclosed options', {'sources.list': 'deb [arch=amd64 file:/srv/x bookworm main\n'},
     None, None),
]

helper, failed = sys.argv[1], False
for name, files, mirror, guest in CASES:
    with tempfile.TemporaryDirectory() as apt:
        os.makedirs(os.path.join(apt, 'sources.list.d'))
        for path, text in files.items():
            with open(os.path.join(apt, path), 'w') as f:
                f.write(text)
        got = {what: subprocess.run([helper, what, '--apt', apt], capture_output=True, text=True)
               for what in ('mirror', 'guest')}
    if mirror is None:
        for what, run in got.items():
            if run.returncode != 1 or f'{apt}/sources.list.d/*.sources' not in run.stderr:
                print(f'FAIL: {name}: {what} exits {run.returncode}, saying {run.stderr!r}')
                failed = True
    elif got['mirror'].stdout != mirror + '\n':
        print(f'FAIL: {name}: the mirror is {got["mirror"].stdout!r}, not {mirror}')
        failed = True
    elif guest is not None and got['guest'].stdout != guest:
        print(f'FAIL: {name}: the guest gets\n{got["guest"].stdout}')
        failed = True
sys.exit(failed)
