"""The two browsers that run the page for its test and its benchmark, behind one small
interface: Chromium through Debian's selenium and chromedriver, Firefox ESR through its own
Marionette protocol (Debian ships no geckodriver), spoken here over a socket. Each saves
downloads, unasked, into the folder last given to downloads()."""
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time


class Chromium:
    def __init__(self):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        for flag in ('--headless=new', '--no-sandbox', '--disable-gpu', '--lang=en-US',
                     '--allow-file-access-from-files'):
            options.add_argument(flag)
        options.add_experimental_option('prefs', {'intl.accept_languages': 'en-US'})
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
        self.driver.set_script_timeout(30)
        self.version = self.driver.capabilities['browserVersion']

    def element(self, id):
        return self.driver.find_element('id', id)

    def open(self, url):
        self.driver.get(url)

    def downloads(self, folder):
        self.driver.execute_cdp_cmd('Browser.setDownloadBehavior',
                                    {'behavior': 'allow', 'downloadPath': folder})

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def quit(self):
        self.driver.quit()


ELEMENT = 'element-6066-11e4-a52e-4f735466cecf'


class Element:
    """What the test asks of an element, as selenium's WebElement answers it."""

    def __init__(self, browser, id):
        self.browser, self.id = browser, id

    def send_keys(self, text):
        self.browser.call('WebDriver:ElementSendKeys', id=self.id, text=text)

    def click(self):
        self.browser.call('WebDriver:ElementClick', id=self.id)

    @property
    def text(self):
        return self.browser.call('WebDriver:GetElementText', id=self.id)

    def get_attribute(self, name):  # selenium's sense: the property if there is one
        value = self.browser.js('const v = arguments[0][arguments[1]]; return v === undefined ? '
                                'arguments[0].getAttribute(arguments[1]) : v', self, name)
        return None if value is False or value is None else str(value).lower() \
            if isinstance(value, bool) else value

    def is_displayed(self):
        return self.browser.call('WebDriver:IsElementDisplayed', id=self.id)


class Firefox:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix='firefox-profile-')
        prefs = {
            'marionette.port': 0,  # any free one, written to MarionetteActivePort
            'browser.download.folderList': 2, 'browser.download.useDownloadDir': True,
            'browser.download.dir': self.profile,
            'browser.download.always_ask_before_handling_new_types': False,
            'browser.download.start_downloads_in_tmp_dir': False,
            'browser.download.alwaysOpenPanel': False, 'browser.download.panel.shown': True,
            'intl.accept_languages': 'en-US', 'intl.locale.requested': 'en-US',
            'browser.shell.checkDefaultBrowser': False, 'app.update.disabledForTesting': True,
            'datareporting.policy.dataSubmissionEnabled': False,
        }
        with open(os.path.join(self.profile, 'user.js'), 'w') as f:
            f.writelines(f'user_pref("{k}", {json.dumps(v)});\n' for k, v in prefs.items())
        env = dict(os.environ, MOZ_HEADLESS='1', LANG='en_US.UTF-8')
        self.process = subprocess.Popen(['firefox-esr', '--marionette', '--headless', '--no-remote',
                                         '--remote-allow-system-access',
                                         '--profile', self.profile, 'about:blank'], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, 'MarionetteActivePort')
        deadline = time.time() + 60
        while not os.path.exists(port_file) or not open(port_file).read().strip():
            if time.time() > deadline or self.process.poll() is not None:
                raise RuntimeError('Firefox did not open its Marionette port')
            time.sleep(0.1)
        self.socket = socket.create_connection(('127.0.0.1', int(open(port_file).read())))
        self.buffer, self.last = b'', 0
        self.receive()  # the greeting
        session = self.call('WebDriver:NewSession', capabilities={'alwaysMatch': {
            'acceptInsecureCerts': True, 'timeouts': {'script': 30000}}})
        self.version = session['capabilities']['browserVersion']

    def receive(self):
        while b':' not in self.buffer:
            self.buffer += self.socket.recv(65536)
        length, _, rest = self.buffer.partition(b':')
        while len(rest) < int(length):
            rest += self.socket.recv(65536)
        self.buffer = rest[int(length):]
        return json.loads(rest[:int(length)])

    def call(self, command, **params):
        self.last += 1
        data = json.dumps([0, self.last, command, params]).encode()
        self.socket.sendall(b'%d:%s' % (len(data), data))
        _, id, error, result = self.receive()
        if error:
            raise RuntimeError(f'{command}: {error["error"]}: {error["message"]}')
        return result.get('value', result) if isinstance(result, dict) else result

    def element(self, id):
        found = self.call('WebDriver:FindElement', using='css selector', value='#' + id)
        return Element(self, found[ELEMENT])

    def open(self, url):
        self.call('WebDriver:Navigate', url=url)

    def downloads(self, folder):
        self.call('Marionette:SetContext', value='chrome')
        try:
            self.call('WebDriver:ExecuteScript', args=[folder], script=
                      'Services.prefs.setStringPref("browser.download.dir", arguments[0])')
        finally:
            self.call('Marionette:SetContext', value='content')

    def js(self, script, *args):
        args = [{ELEMENT: a.id} if isinstance(a, Element) else a for a in args]
        return self.call('WebDriver:ExecuteScript', script=script, args=args)

    def quit(self):
        try:
            self.call('Marionette:Quit')
        except (OSError, RuntimeError):
            pass
        self.socket.close()
        try:
            self.process.wait(30)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)
