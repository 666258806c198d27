#!/usr/bin/env python3
"""End-to-end tests of setup.exe under Wine on a virtual X display.

    wine_e2e.py --bin BUILD/bin --work BUILD/setup-wine --prepare
    wine_e2e.py --bin BUILD/bin --work BUILD/setup-wine --case NAME

--prepare creates the Wine prefix under WORK once (a Japanese session with
a virtual desktop, a font for the pages' font name, and the Application
Manager stand-in registered under App Paths). Each --case copies setup.exe
and a sample package into a folder of its own under WORK/cases, runs it,
drives it with xdotool, reads its windows with winprobe.exe, and saves a
screenshot of each page and message in WORK/screenshots.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

LOCALE = 'ja_JP.UTF-8'
APP_PATHS_KEY = (r'HKLM\Software\Microsoft\Windows\CurrentVersion'
                 r'\App Paths\CEAppMgr.exe')
PAGE_CAPTION = 'TorvelanOpenセットアップ'
MESSAGE_CAPTION = 'TorvelanOpen セットアップ'
BACKDROP_CLASS = 'SETUP'

MSG_UNKNOWN = '原因不明のエラーを検出しました。セットアップファイルを特定できません。'
MSG_PACKAGE = 'インストール用配布物に不足または異常があるため処理を継続できません。'
MSG_LAUNCH = 'アプリケーションマネージャの起動に失敗し、インストールは行われませんでした。'
MSG_CANCELLED = 'インストールを中止します。'
MSG_CONFIRM = 'インストールを中止します。よろしいですか？'

IDYES, IDNO, IDOK = 6, 7, 1
AGREE, OS_VERSION, CPU, INSTALL_TYPE = 1000, 1016, 1017, 1018

WAIT = 60          # seconds for a window to come or go
STEP_TIMEOUT = 60  # seconds for one helper command


class Failure(Exception):
    pass


def windows_path(path):
    """The Wine path of a Linux path, through drive Z: (the root)."""
    return 'Z:' + str(Path(path).resolve()).replace('/', '\\')


# ---------------------------------------------------------------- the screen

class Window:
    def __init__(self, cls, title, owner):
        self.cls, self.title, self.owner = cls, title, owner
        self.controls = []  # (id, class, text)

    def control(self, ident):
        for cid, _, text in self.controls:
            if cid == ident:
                return text
        return None

    def has(self, ident):
        return self.control(ident) is not None

    def message_text(self):
        texts = [t for cid, cls, t in self.controls if cls == 'Static' and t]
        return texts[-1] if texts else ''


class Screen:
    def __init__(self, windows):
        self.windows = windows

    def find(self, cls=None, title=None, control=None):
        for w in self.windows:
            if cls is not None and w.cls != cls:
                continue
            if title is not None and w.title != title:
                continue
            if control is not None and not w.has(control):
                continue
            return w
        return None

    def agreement(self):
        return self.find('#32770', PAGE_CAPTION, AGREE)

    def confirmation(self):
        return self.find('#32770', PAGE_CAPTION, OS_VERSION)

    def message(self):
        return self.find('#32770', MESSAGE_CAPTION)

    def backdrop(self):
        return self.find(BACKDROP_CLASS)

    def describe(self):
        lines = []
        for w in self.windows:
            lines.append(f'  window {w.cls!r} {w.title!r}')
            lines += [f'    {cid} {cls} {text!r}' for cid, cls, text in w.controls]
        return '\n'.join(lines) or '  (no windows)'


def parse_probe(text):
    windows = []
    for line in text.splitlines():
        fields = line.split('\t')
        if fields[0] == 'window' and len(fields) >= 5:
            windows.append(Window(fields[3], fields[4], fields[2]))
        elif fields[0] == 'control' and len(fields) >= 5 and windows:
            windows[-1].controls.append((int(fields[2]), fields[3], fields[4]))
    return Screen(windows)


# ---------------------------------------------------------------- a session

class Session:
    """A virtual display and the Wine prefix, torn down on exit."""

    def __init__(self, args, name):
        self.bin = Path(args.bin).resolve()
        self.work = Path(args.work).resolve()
        self.prefix = self.work / 'prefix'
        self.shots = self.work / 'screenshots'
        self.name = name
        self.xvfb = None
        self.setup = None
        self.env = None
        self.started = time.monotonic()

    def __enter__(self):
        check_locale()
        self.shots.mkdir(parents=True, exist_ok=True)
        for old in self.shots.glob(f'{self.name}-*.png'):
            old.unlink()
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ['Xvfb', '-displayfd', str(write_fd), '-screen', '0', '1024x768x24',
             '-nolisten', 'tcp'],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = read_line(read_fd, 30)
        os.close(read_fd)
        if not number:
            self.__exit__(None, None, None)
            raise Failure('Xvfb did not start')
        self.env = dict(os.environ)
        self.env.update({
            'DISPLAY': ':' + number,
            'WINEPREFIX': str(self.prefix),
            'WINEDEBUG': '-all',
            'WINEDLLOVERRIDES': 'mscoree,mshtml=',
            'LC_ALL': LOCALE,
        })
        self.env.pop('LANGUAGE', None)
        return self

    def __exit__(self, *exc):
        if self.setup is not None and self.setup.poll() is None:
            self.setup.kill()
            self.setup.wait()
        if self.prefix.exists():
            subprocess.run(['wineserver', '-k'], env=self.env, timeout=STEP_TIMEOUT,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(['wineserver', '-w'], env=self.env, timeout=STEP_TIMEOUT,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.xvfb is not None:
            self.xvfb.send_signal(signal.SIGTERM)
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        return False

    def log(self, text):
        print(f'[{time.monotonic() - self.started:6.1f}] {text}', flush=True)

    def run(self, argv, check=True, timeout=STEP_TIMEOUT):
        # Output goes through files, not pipes: the first Wine program of a
        # session starts background programs that inherit its handles, and
        # a pipe would stay open, and a reader waiting, as long as they run.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run(argv, env=self.env, timeout=timeout, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=err).returncode
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(argv, code, out.read(), err.read())
        if check and result.returncode != 0:
            raise Failure(f'{argv} failed ({result.returncode}): '
                          f'{result.stderr.decode(errors="replace")}')
        return result

    def wine(self, *argv, check=True):
        return self.run(['wine', *argv], check)

    def warm_up(self):
        # A persistent server with its background programs started, so that
        # each step pays only for its own program.
        self.run(['wineserver', '-p'])
        self.screen()

    # The prefix -------------------------------------------------------------

    def prepare(self):
        marker = self.prefix / '.torvelan-ready'
        if not marker.exists():
            if self.prefix.exists():
                shutil.rmtree(self.prefix)
            print('creating the Wine prefix (once)')
            self.run(['wineboot', '-i'])
            self.run(['wineserver', '-w'])
            reg = self.work / 'prefix-settings.reg'
            reg.write_text(PREFIX_SETTINGS, encoding='utf-16')
            self.wine('reg', 'import', windows_path(reg))
        self.register_app_manager()
        self.run(['wineserver', '-w'])
        marker.write_text('ready\n')

    def register_app_manager(self):
        self.wine('reg', 'add', APP_PATHS_KEY, '/ve', '/d',
                  windows_path(self.bin / 'appmgr_standin.exe'), '/f')

    def unregister_app_manager(self):
        self.wine('reg', 'delete', APP_PATHS_KEY, '/f', check=False)

    # A run of setup.exe -----------------------------------------------------

    def package(self, folder, setup_ini=None, standard_ini=None, drop=()):
        """A copy of setup.exe and the sample package in `folder`."""
        folder = self.work / 'cases' / folder
        if folder.exists():
            shutil.rmtree(folder)
        folder.mkdir(parents=True)
        for name in ('setup.exe', 'SETUP.INI', 'STANDARD.INI', 'COMPACT.INI',
                     'TorvelanOpen_ARM.CAB'):
            if name not in drop:
                shutil.copy(self.bin / name, folder / name)
        if setup_ini is not None:
            (folder / 'SETUP.INI').write_bytes(setup_ini.encode('cp932'))
        if standard_ini is not None:
            (folder / 'STANDARD.INI').write_bytes(standard_ini.encode('cp932'))
        return folder

    def start(self, folder):
        self.record = folder / 'appmgr-command-line.txt'
        self.env['TV_APPMGR_LOG'] = windows_path(self.record)
        self.log(f'starting {folder}')
        # Started from its own folder, as a double click does.
        self.setup = subprocess.Popen(['wine', str(folder / 'setup.exe')], env=self.env,
                                      cwd=folder, stdin=subprocess.DEVNULL,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def screen(self):
        try:
            result = self.run(['wine', str(self.bin / 'winprobe.exe')], check=False, timeout=15)
        except subprocess.TimeoutExpired:
            self.log('winprobe.exe timed out')
            self.shot('probe-timeout')
            raise
        return parse_probe(result.stdout.decode('utf-8', errors='replace'))

    def wait_for(self, what, predicate):
        self.log(f'waiting for {what}')
        deadline = time.monotonic() + WAIT
        while True:
            screen = self.screen()
            found = predicate(screen)
            if found:
                return found
            if self.setup is not None and self.setup.poll() is not None:
                raise Failure(f'setup.exe ended while waiting for {what}\n{screen.describe()}')
            if time.monotonic() > deadline:
                raise Failure(f'timed out waiting for {what}\n{screen.describe()}')
            time.sleep(0.3)

    def key(self, *keys):
        self.log(f'key {" ".join(keys)}')
        # A window that has just appeared may not hold the focus yet.
        time.sleep(0.3)
        self.run(['xdotool', 'key', '--delay', '80', *keys])

    def shot(self, step):
        # Give the window a moment to paint before the picture is taken.
        time.sleep(0.5)
        path = self.shots / f'{self.name}-{step}.png'
        self.run(['import', '-window', 'root', str(path)])

    def wait_exit(self):
        try:
            code = self.setup.wait(WAIT)
        except subprocess.TimeoutExpired:
            raise Failure(f'setup.exe did not end\n{self.screen().describe()}')
        expect(code == 0, f'setup.exe exit code {code}, expected 0')

    def launched_line(self):
        deadline = time.monotonic() + WAIT
        while not self.record.exists():
            if time.monotonic() > deadline:
                raise Failure('the Application Manager stand-in was not started')
            time.sleep(0.2)
        return self.record.read_bytes().decode('cp932')

    def expected_line(self, folder, ini='STANDARD.INI'):
        return (f'"{windows_path(self.bin / "appmgr_standin.exe")}" '
                f'"{windows_path(folder)}\\{ini}"')


PREFIX_SETTINGS = '''Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"

'''


def read_line(fd, timeout):
    deadline = time.monotonic() + timeout
    data = b''
    os.set_blocking(fd, False)
    while time.monotonic() < deadline:
        try:
            chunk = os.read(fd, 64)
        except BlockingIOError:
            chunk = None
        if chunk:
            data += chunk
            if b'\n' in data:
                return data.split(b'\n')[0].decode().strip()
        elif chunk == b'':
            break
        time.sleep(0.05)
    return data.decode().strip()


def check_locale():
    names = subprocess.run(['locale', '-a'], stdout=subprocess.PIPE).stdout.decode()
    if 'ja_JP.utf8' not in names.split():
        raise Failure(f'locale {LOCALE} is not generated (see scripts/apt-packages-setup.txt)')


def expect(condition, message):
    if not condition:
        raise Failure(message)


# ---------------------------------------------------------------- the cases

def wait_agreement(s):
    return s.wait_for('the agreement page',
                      lambda sc: sc.agreement() if not sc.message() else None)


def wait_confirmation(s):
    return s.wait_for('the confirmation page',
                      lambda sc: sc.confirmation() if not sc.message() else None)


def wait_message(s, text):
    box = s.wait_for(f'the message {text}', lambda sc: sc.message())
    expect(box.message_text() == text,
           f'message {box.message_text()!r}, expected {text!r}')
    return box


def case_agree_and_start(s):
    folder = s.package('agree_and_start')
    s.start(folder)
    page = wait_agreement(s)
    screen = s.screen()
    title = screen.backdrop().title
    expect(title == 'OpenTorvelan セットアップV1.53', f'backdrop title {title!r}')
    expect(any(text == 'TorvelanOpen V1.58' for _, _, text in page.controls),
           'the agreement page does not name TorvelanOpen V1.58')
    s.shot('agreement')
    s.key('alt+a')
    page = wait_confirmation(s)
    values = (page.control(OS_VERSION), page.control(CPU), page.control(INSTALL_TYPE))
    expect(values == ('3.0 以降', 'ARM', '標準'), f'confirmation values {values}')
    s.shot('confirmation')
    s.key('alt+s')
    line = s.launched_line()
    expect(line == s.expected_line(folder), f'command line {line!r}')
    s.wait_exit()


def case_cancel_before_agreeing(s):
    s.start(s.package('cancel_before_agreeing'))
    wait_agreement(s)
    s.key('Escape')
    box = wait_message(s, MSG_CANCELLED)
    expect(box.has(IDOK) and not box.has(IDYES), 'expected an OK box')
    s.shot('cancelled')
    s.key('Return')
    s.wait_exit()
    expect(not s.record.exists(), 'the Application Manager was started')


def case_cancel_after_agreeing(s):
    s.start(s.package('cancel_after_agreeing'))
    wait_agreement(s)
    s.key('alt+a')
    wait_confirmation(s)
    s.key('alt+p')  # back
    wait_agreement(s)
    s.key('Escape')
    box = wait_message(s, MSG_CONFIRM)
    expect(box.has(IDYES) and box.has(IDNO), 'expected a Yes/No box')
    s.shot('question')
    s.key('alt+n')
    wait_agreement(s)
    s.shot('agreement-again')
    s.key('Escape')
    wait_message(s, MSG_CONFIRM)
    s.key('alt+y')
    s.wait_exit()
    expect(not s.record.exists(), 'the Application Manager was started')


def case_cancel_confirmation(s):
    folder = s.package('cancel_confirmation')
    s.start(folder)
    wait_agreement(s)
    s.key('alt+a')
    page = wait_confirmation(s)
    before = (page.control(OS_VERSION), page.control(CPU), page.control(INSTALL_TYPE))
    s.key('Escape')
    wait_message(s, MSG_CONFIRM)
    s.shot('question')
    s.key('alt+n')
    page = wait_confirmation(s)
    after = (page.control(OS_VERSION), page.control(CPU), page.control(INSTALL_TYPE))
    expect(after == before, f'values changed from {before} to {after}')
    s.shot('confirmation-again')
    s.key('alt+s')
    expect(s.launched_line() == s.expected_line(folder), 'wrong command line')
    s.wait_exit()


def refused_at_once(s, step, folder, text):
    """The installer ends with `text` before any window, starting nothing."""
    s.start(folder)
    box = wait_message(s, text)
    screen = s.screen()
    expect(screen.backdrop() is None and screen.agreement() is None,
           f'{step}: a window came before the message\n{screen.describe()}')
    expect(box.owner == '0000000000000000', f'{step}: the box has an owner')
    s.shot(step)
    s.key('Return')
    s.wait_exit()
    expect(not s.record.exists(), f'{step}: the Application Manager was started')


def agree_and_start(s, folder):
    s.start(folder)
    wait_agreement(s)
    s.key('alt+a')
    wait_confirmation(s)
    s.key('alt+s')
    line = s.launched_line()
    expect(line == s.expected_line(folder), f'command line {line!r}')
    s.wait_exit()


def cabfiles(value):
    return '[TorvelanOpen]\nCabFiles=' + value + '\n'


def case_package_faults(s):
    faults = {
        'no-setup-ini': dict(drop=('SETUP.INI',)),
        'no-standard-ini': dict(drop=('STANDARD.INI',)),
        'no-cabfiles': dict(standard_ini='[TorvelanOpen]\nDescription=x\n'),
        'empty-cabfiles': dict(standard_ini=cabfiles('')),
        'missing-package-file': dict(drop=('TorvelanOpen_ARM.CAB',)),
        'long-cabfiles': dict(standard_ini=cabfiles('x' * 300)),
    }
    for fault, changes in faults.items():
        refused_at_once(s, fault, s.package('package_faults/' + fault, **changes), MSG_PACKAGE)
    # COMPACT.INI is not part of the check.
    s.start(s.package('package_faults/no-compact-ini', drop=('COMPACT.INI',)))
    wait_agreement(s)
    s.key('Escape')
    wait_message(s, MSG_CANCELLED)
    s.key('Return')
    s.wait_exit()


def case_unspellable_folder(s):
    # The code page has no é, Ü or Hangul: the ANSI path of the installer
    # would be a stand-in ("Cafe"), here naming a sibling with a package.
    for step, name, sibling in (('beside-Cafe', 'Café', 'Cafe'), ('Übung', 'Übung', None),
                                ('korean', '한국어', None)):
        if sibling:
            s.package(f'unspellable_folder/{step}/{sibling}',
                      setup_ini='[Application]\nOSVersion=9.9\nCPU=SH3\n')
        folder = s.package(f'unspellable_folder/{step}/{name}')
        refused_at_once(s, step, folder, MSG_UNKNOWN)


def case_device_package_names(s):
    # Windows finds these in every folder; the package file itself is gone.
    for name in ('NUL', 'CON', 'COM1', 'AUX', 'PRN', 'LPT1', 'CONIN$', 'NUL.CAB', r'\\.\NUL'):
        step = name.replace('\\', '_')
        folder = s.package('device_package_names/' + step, standard_ini=cabfiles(name),
                           drop=('TorvelanOpen_ARM.CAB',))
        refused_at_once(s, step, folder, MSG_PACKAGE)


def case_outside_package_names(s):
    up = '..\\' * 12 + r'etc\passwd'
    for step, name in (('parent', r'..\TorvelanOpen_ARM.CAB'), ('passwd', up), ('dot', '.'),
                       ('dot-dot', '..'), ('installer', 'setup.exe'), ('setup-ini', 'SETUP.INI'),
                       ('folder', 'sub')):
        folder = s.package('outside_package_names/' + step, standard_ini=cabfiles(name),
                           drop=('TorvelanOpen_ARM.CAB',))
        shutil.copy(s.bin / 'TorvelanOpen_ARM.CAB', folder.parent)
        (folder / 'sub').mkdir()
        refused_at_once(s, step, folder, MSG_PACKAGE)
    # A subfolder stays inside, written either way.
    for step, name in (('backslash', r'\sub\TorvelanOpen_ARM.CAB'),
                       ('slash', 'sub/TorvelanOpen_ARM.CAB')):
        folder = s.package('outside_package_names/' + step, standard_ini=cabfiles(name),
                           drop=('TorvelanOpen_ARM.CAB',))
        (folder / 'sub').mkdir()
        shutil.copy(s.bin / 'TorvelanOpen_ARM.CAB', folder / 'sub')
        agree_and_start(s, folder)


def case_no_app_manager(s):
    # No key at all, the key without its default value, and a bare program
    # name, with a program of that name in the folder setup.exe starts in.
    s.unregister_app_manager()
    try:
        for step in ('no-key', 'no-value', 'bare-name'):
            if step == 'no-value':
                s.wine('reg', 'add', APP_PATHS_KEY, '/f')
            if step == 'bare-name':
                s.wine('reg', 'add', APP_PATHS_KEY, '/ve', '/d', 'CEAppMgr.exe', '/f')
            folder = s.package('no_app_manager/' + step)
            shutil.copy(s.bin / 'appmgr_standin.exe', folder / 'CEAppMgr.exe')
            s.start(folder)
            wait_agreement(s)
            s.key('alt+a')
            wait_confirmation(s)
            s.key('alt+s')
            box = wait_message(s, MSG_LAUNCH)
            expect(box.owner != '0000000000000000', 'the launch message has no owner')
            s.shot(step)
            s.key('Return')
            s.wait_exit()
            expect(not s.record.exists(), 'something was started')
    finally:
        s.register_app_manager()


def case_hyo_folder(s):
    # 表 is 0x95 0x5C in Shift_JIS: its second byte is a backslash.
    agree_and_start(s, s.package('hyo_folder/表'))


def case_empty_information(s):
    s.start(s.package('empty_information', setup_ini='[Application]\nOSVersion=\nCPU=\n'))
    wait_agreement(s)
    s.key('alt+a')
    page = wait_confirmation(s)
    values = (page.control(OS_VERSION), page.control(CPU), page.control(INSTALL_TYPE))
    expect(values == ('', '', '標準'), f'confirmation values {values}')
    s.shot('confirmation')
    s.key('Escape')
    wait_message(s, MSG_CONFIRM)
    s.key('alt+y')
    s.wait_exit()


CASES = {name[len('case_'):]: fn for name, fn in globals().items() if name.startswith('case_')}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--bin', required=True)
    parser.add_argument('--work', required=True)
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument('--prepare', action='store_true')
    group.add_argument('--case', choices=sorted(CASES))
    args = parser.parse_args()
    for name in ('setup.exe', 'appmgr_standin.exe', 'winprobe.exe'):
        if not (Path(args.bin) / name).exists():
            print(f'{name} is missing in {args.bin}: build first', file=sys.stderr)
            return 1
    name = 'prepare' if args.prepare else args.case
    started = time.monotonic()
    try:
        with Session(args, name) as session:
            if args.prepare:
                session.prepare()
            else:
                expect((session.prefix / '.torvelan-ready').exists(),
                       'the Wine prefix is not prepared (run the setup_wine_prefix test)')
                session.warm_up()
                CASES[args.case](session)
    except (Failure, subprocess.TimeoutExpired) as e:
        print(f'FAIL {name}: {e}', file=sys.stderr)
        return 1
    print(f'ok {name} ({time.monotonic() - started:.1f} s); screenshots in '
          f'{Path(args.work).resolve() / "screenshots"}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
