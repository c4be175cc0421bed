#!/usr/bin/env python3
"""Every file of src/ includes only what its layer may: the core no Qt at all, the Qt layer
no window module, the command line nothing of the windows. The link step keeps most of this
already; this also catches a header reached through a path the target happens to see.
usage: layers.py SRC_DIR QT_INCLUDE_DIR"""
import pathlib, re, sys

src, qt_include = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
GUI = ('app', 'forms', 'print/qt', 'mail/qt')
QT = ('qt', 'print/render')
WINDOW_MODULES = ('QtWidgets', 'QtPrintSupport')

def layer(rel):
    for prefix, name in [(p, 'gui') for p in GUI] + [(p, 'qt') for p in QT] + [('cli', 'cli')]:
        if rel == prefix or rel.startswith(prefix + '/'):
            return name
    return 'core'

def qt_module(header):
    for module in qt_include.iterdir():
        if (module / header).is_file():
            return module.name
    return None

modules = {}
faults = []
for path in sorted(src.rglob('*')):
    if path.suffix not in ('.h', '.cpp'):
        continue
    rel = str(path.relative_to(src))
    own = layer(rel)
    for number, line in enumerate(path.read_text(encoding='utf-8').splitlines(), 1):
        m = re.match(r'\s*#\s*include\s*([<"])([^>"]+)[>"]', line)
        if not m:
            continue
        header = m.group(2)
        if m.group(1) == '"':
            if '/' not in header:
                continue
            target = layer(header.rsplit('/', 1)[0])
            allowed = {'core': {'core'}, 'qt': {'core', 'qt'}, 'cli': {'core', 'qt', 'cli'},
                       'gui': {'core', 'qt', 'gui'}}[own]
            if target not in allowed:
                faults.append(f'{rel}:{number}: the {own} layer includes "{header}" ({target} layer)')
        elif header.startswith('Q') or header.startswith('qt'):
            if header not in modules:
                modules[header] = qt_module(header.split('/')[-1]) if not header.startswith('Qt') or '/' not in header else header.split('/')[0]
            module = modules[header]
            if own == 'core' and module:
                faults.append(f'{rel}:{number}: the core layer includes <{header}> ({module})')
            elif own in ('qt', 'cli') and module in WINDOW_MODULES:
                faults.append(f'{rel}:{number}: the {own} layer includes <{header}> ({module})')
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
