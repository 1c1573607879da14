// Firefox for the web tests: puppeteer-core drives Debian's firefox-esr over WebDriver BiDi (no
// geckodriver), in a normal window on the X display given in DISPLAY, with a fresh profile.
// One request a line on standard input, as JSON; one answer a line on standard output:
// {"value": ...} or {"error": "..."}. The browser closes when standard input does.
//
//   node firefox_driver.js PUPPETEER_MODULE_DIR FIREFOX WIDTH HEIGHT [touch]
//
// With "touch", Firefox takes its screen for a touch screen: its primary pointer is coarse and
// cannot hover, and it reports touch points, as a phone does.
'use strict';
const readline = require('readline');
const [moduleDir, firefox, width, height, screen] = process.argv.slice(2);
const puppeteer = require(moduleDir);

// Key names of the tests (X keysym names, as on Linux) as the browser's key values.
const KEYS = {Up: 'ArrowUp', Down: 'ArrowDown', Left: 'ArrowLeft', Right: 'ArrowRight',
              Prior: 'PageUp', Next: 'PageDown', space: ' '};
const key = (name) => KEYS[name] || name;

const TOUCH_SCREEN = {'ui.primaryPointerCapabilities': 1,  // coarse, no hover
                      'dom.w3c_touch_events.enabled': 1, 'dom.maxtouchpoints.testing.value': 5};

async function elementWithText(page, selector, text) {
  for (const element of await page.$$(selector)) {
    if (text == null || await element.evaluate((e) => e.textContent) === text) return element;
    await element.dispose();
  }
  throw new Error(`no ${selector}` + (text == null ? '' : ` reading ${JSON.stringify(text)}`));
}

async function main() {
  const browser = await puppeteer.launch({
    browser: 'firefox', protocol: 'webDriverBiDi', executablePath: firefox, headless: false,
    defaultViewport: {width: Number(width), height: Number(height)},
    // A quiet profile: no first-run pages, updates or telemetry going out.
    extraPrefsFirefox: {'browser.shell.checkDefaultBrowser': false,
                        'datareporting.policy.dataSubmissionEnabled': false,
                        'app.update.enabled': false,
                        ...(screen == 'touch' ? TOUCH_SCREEN : {})},
  });
  const page = (await browser.pages())[0] || await browser.newPage();
  page.setDefaultTimeout(20000);
  // Fingers as BiDi touch pointers, one input source each (page.touchscreen gives a contact
  // size that Firefox refuses).
  let fingers = 0;
  const perform = (perFinger) => page.mainFrame().browsingContext.performActions(
      perFinger.map((actions, i) => ({type: 'pointer', id: `finger${i}`,
                                      parameters: {pointerType: 'touch'}, actions})))
      .then(() => null);
  let cover = null;  // a tab in front of the page's, which hides it
  const requests = {
    goto: ({url}) => page.goto(url).then(() => null),
    // The body of a function, as Selenium's execute_script takes it: `return ...`.
    js: ({body, args}) =>
      page.evaluate((body, args) => new Function(body)(...args), body, args || []),
    // A real click on the element of that selector and text; waits until it has left the page.
    click: async ({selector, text, gone}) => {
      const element = await elementWithText(page, selector, text);
      await element.click();
      if (gone) await page.waitForFunction((e) => !e.isConnected, {}, element);
      return null;
    },
    hide: async () => {
      cover = await browser.newPage();
      await cover.bringToFront();
      return null;
    },
    show: async () => {
      await cover.close();
      await page.bringToFront();
      return null;
    },
    keyDown: ({name}) => page.keyboard.down(key(name)).then(() => null),
    keyUp: ({name}) => page.keyboard.up(key(name)).then(() => null),
    press: ({name}) => page.keyboard.press(key(name)).then(() => null),
    // A PNG of the element as the page shows it, in base64.
    screenshot: async ({selector}) => {
      const element = await page.waitForSelector(selector);
      return element.screenshot({encoding: 'base64'});
    },
    viewport: ({width, height, scale}) =>
      page.setViewport({width, height, deviceScaleFactor: scale || 1}).then(() => null),
    // Fingers down on (or moved to) these points of the viewport, one finger a point in order;
    // lift takes them all off. New fingers land one after another: Firefox gives no
    // pointerdown to a second finger landing in the same instant as the first.
    touch: async ({points}) => {
      const at = ([x, y]) => ({type: 'pointerMove', x: Math.round(x), y: Math.round(y)});
      if (fingers) await perform(points.slice(0, fingers).map((point) => [at(point)]));
      for (; fingers < points.length; fingers++) {
        await perform([...Array(fingers).fill([]),
                       [at(points[fingers]), {type: 'pointerDown', button: 0}]]);
      }
      return null;
    },
    lift: () => {
      const lifted = Array.from({length: fingers}, () => [{type: 'pointerUp', button: 0}]);
      fingers = 0;
      return perform(lifted);
    },
  };
  console.log(JSON.stringify({value: 'ready'}));
  const lines = readline.createInterface({input: process.stdin});
  for await (const line of lines) {
    let answer;
    try {
      const request = JSON.parse(line);
      const value = await requests[request.op](request);
      answer = {value: value === undefined ? null : value};
    } catch (error) {
      answer = {error: String(error && error.stack || error)};
    }
    console.log(JSON.stringify(answer));
  }
  await browser.close();
}

main().catch((error) => {
  console.log(JSON.stringify({error: String(error && error.stack || error)}));
  process.exit(1);
});
