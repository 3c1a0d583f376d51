#!/usr/bin/env python3
# The guest's package sources are the host's Debian 12 ones, read as apt reads them.
import os
import subprocess
import sys
import tempfile

tool = sys.argv[1]
KEY = '/usr/share/keyrings/debian-archive-keyring.gpg'
INLINE_KEY = 'Signed-By:\n -----BEGIN PGP PUBLIC KEY BLOCK-----\n .\n mQINBF\n -----END PGP PUBLIC KEY BLOCK-----\n'
OTHERS = {'sources.list.d/node.sources': 'Types: deb\nURIs: http://n.example/node\nSuites: nodistro\n'
          'Components: main\n',
          'sources.list.d/cloud.list': 'deb http://c.example/apt cloud-sdk-bookworm main\n'}

# files under etc/apt → the mirror for debootstrap, and the (URI, suites, key) entries kept
cases = [
    ('deb822 as Debian 12 ships it',
     {'sources.list.d/debian.sources': f'Types: deb\n# a comment\nURIs: http://a.example/debian\n'
      f'Suites: bookworm bookworm-updates\nComponents: main\nSigned-By: {KEY}\n\n'
      f'Types: deb\nURIs: http://a.example/debian-security\nSuites: bookworm-security\n'
      f'Components: main\nSigned-By: {KEY}\n', **OTHERS},
     'http://a.example/debian',
     [('http://a.example/debian', 'bookworm bookworm-updates', KEY),
      ('http://a.example/debian-security', 'bookworm-security', KEY)]),
    ('one-line with options, source entries and comments',
     {'sources.list': '# deb http://old.example/debian bookworm main\n'
      'deb-src http://b.example/debian bookworm main\n'
      f'deb [arch=amd64,i386 signed-by={KEY}] http://b.example/debian bookworm main contrib # here\n'
      'deb http://b.example/debian-security bookworm-security main\n', **OTHERS},
     'http://b.example/debian',
     [('http://b.example/debian', 'bookworm', KEY),
      ('http://b.example/debian-security', 'bookworm-security', None)]),
    ('the archive found in a later file, an inline key kept whole',
     {'sources.list.d/security.list': 'deb http://s.example/debian-security bookworm-security main\n',
      'sources.list.d/main.sources': 'Types: deb deb-src\nURIs: http://m.example/debian\n'
      f'Suites: bookworm\nComponents: main\n{INLINE_KEY}'},
     'http://m.example/debian',
     [('http://s.example/debian-security', 'bookworm-security', None),
      ('http://m.example/debian', 'bookworm', '\n'.join(INLINE_KEY.split('\n ')[1:]).strip())]),
    ('disabled, of another machine, or in a file apt does not read: none',
     {'sources.list.d/off.sources': 'Enabled: no\nTypes: deb\nURIs: http://x.example/debian\n'
      'Suites: bookworm\nComponents: main\n',
      'sources.list.d/arm.list': 'deb [arch=arm64] http://y.example/debian bookworm main\n',
      'sources.list.d/debian.sources.disabled': 'Types: deb\nURIs: http://z.example/debian\n'
      'Suites: bookworm\nComponents: main\n',
      'sources.list': 'deb-src http://w.example/debian bookworm main\n', **OTHERS},
     None, []),
    ('no sources at all', {}, None, []),
]


def run(root, *args):
    return subprocess.run([tool, '--root', root, *args], capture_output=True, text=True)


def entries(deb822):
    out = []
    for stanza in deb822.strip().split('\n\n'):
        fields, key = {}, None
        for line in stanza.splitlines():
            if line.startswith(' '):
                fields[key] = (fields[key] + '\n' + line.strip()).strip()
            else:
                key, _, value = line.partition(':')
                fields[key] = value.strip()
        assert fields['Types'] == 'deb', stanza
        out.append((fields['URIs'], fields['Suites'], fields.get('Signed-By')))
    return out


failed = 0
for name, files, mirror, kept in cases:
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, 'etc/apt', path)), exist_ok=True)
            with open(os.path.join(root, 'etc/apt', path), 'w') as f:
                f.write(text)
        got_mirror, got_sources = run(root, '--mirror'), run(root)
        if mirror is None:
            ok = (got_mirror.returncode == got_sources.returncode == 1 and not got_mirror.stdout
                  and 'sources.list.d' in got_mirror.stderr and 'bookworm' in got_mirror.stderr)
        else:
            ok = (got_mirror.returncode == 0 and got_mirror.stdout == mirror + '\n'
                  and got_sources.returncode == 0 and entries(got_sources.stdout) == kept)
            if ok:  # what the guest gets reads back the same
                os.makedirs(os.path.join(root, 'g/etc/apt/sources.list.d'))
                with open(os.path.join(root, 'g/etc/apt/sources.list.d/debian.sources'), 'w') as f:
                    f.write(got_sources.stdout)
                ok = run(os.path.join(root, 'g')).stdout == got_sources.stdout
        if not ok:
            failed += 1
            print(f'FAIL {name}\n  mirror: {got_mirror}\n  sources: {got_sources}')
print(f'{len(cases) - failed} of {len(cases)} cases hold')
sys.exit(1 if failed else 0)
