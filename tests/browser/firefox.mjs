// Firefox ESR through puppeteer-core (WebDriver BiDi), behind the part of Playwright's API that the
// suites use: contexts and pages, locators that look into the menus' shadow roots, mouse,
// keyboard and touch. Chromium runs on Playwright itself (see launch in helpers.mjs).
import puppeteer from 'puppeteer-core';

const wait = (ms) => new Promise((done) => setTimeout(done, ms));
const timeout = 10000;

// Runs in the page: the elements a chain of steps finds, looking into open shadow roots.
function find(steps, scopes = [document]) {
  const roots = (scope) => {
    const all = [scope];
    for (let i = 0; i < all.length; i++) {
      for (const e of all[i].querySelectorAll('*')) if (e.shadowRoot) all.push(e.shadowRoot);
    }
    return all;
  };
  const shown = (e) => {
    const r = e.getBoundingClientRect();
    return e.checkVisibility({ visibilityProperty: true }) && r.width > 0 && r.height > 0;
  };
  const text = (e) => e.textContent.replace(/\s+/g, ' ').trim();
  const like = (value, wanted, exact) => (exact ? value === wanted
    : value.toLowerCase().includes(wanted.toLowerCase()));
  // CSS whose descendant combinator may cross into a shadow root, as in "#slot nav"; ":visible"
  // at the end of a selector keeps what is shown.
  const css = (scope, selector) => selector.split(/,(?![^(]*\))/).flatMap((part) => {
    const visible = part.trim().endsWith(':visible');
    const sel = part.trim().replace(/:visible$/, '');
    let found = roots(scope).flatMap((r) => [...r.querySelectorAll(sel)]);
    const split = /^(\S+)\s+([^>+~\s].*)$/.exec(sel);
    if (!found.length && split) found = css(scope, split[1]).flatMap((e) => css(e, split[2]));
    return visible ? found.filter(shown) : found;
  });
  let found = scopes;
  for (const s of steps) {
    if (s.css) found = found.flatMap((e) => css(e, s.css));
    else if (s.has) found = found.filter((e) => find(s.has, [e]).length);
    else if (s.first) found = found.slice(0, 1);
    else {
      const all = found.flatMap((e) => roots(e).flatMap((r) => [...r.querySelectorAll('*')]));
      found = s.role
        ? all.filter((e) => (e.getAttribute('role') || (e.tagName === 'A' && e.hasAttribute('href')
          ? 'link' : e.tagName.toLowerCase())) === s.role && shown(e) && (s.name === undefined
          || like(e.getAttribute('aria-label') || text(e), s.name, s.exact)))
        : all.filter((e) => like(text(e), s.text, s.exact)
          && ![...e.children].some((c) => like(text(c), s.text, s.exact)));
    }
  }
  return [...new Set(found)];
}

// Runs in the page: scrolls the element into view and returns its box once it stays put.
async function settle(e) {
  e.scrollIntoView({ block: 'nearest', inline: 'nearest' });
  let last = '';
  for (let frames = 0; frames < 30; frames++) {
    await new Promise((done) => requestAnimationFrame(done));
    const b = e.getBoundingClientRect();
    const now = JSON.stringify(b);
    if (now === last) return { left: b.left, top: b.top, width: b.width, height: b.height };
    last = now;
  }
  throw new Error('the element keeps moving');
}

class Locator {
  constructor(page, steps) {
    this.page = page;
    this.steps = steps;
  }

  then$(step) {
    return new Locator(this.page, [...this.steps, step]);
  }

  locator(css) { return this.then$({ css }); }

  getByRole(role, { name, exact } = {}) { return this.then$({ role, name, exact }); }

  getByText(text, { exact } = {}) { return this.then$({ text, exact }); }

  filter({ has }) { return this.then$({ has: has.steps }); }

  first() { return this.then$({ first: true }); }

  // All elements found now, as one handle of an array
  all() {
    return this.page.raw.evaluateHandle(`(${find})(${JSON.stringify(this.steps)})`);
  }

  // The one element, waited for as Playwright does
  async one() {
    for (const end = Date.now() + timeout; ;) {
      const list = await this.all();
      const n = await list.evaluate((l) => l.length);
      if (n > 1) throw new Error(`${n} elements for ${JSON.stringify(this.steps)}`);
      if (n === 1) return list.evaluateHandle((l) => l[0]);
      if (Date.now() > end) throw new Error(`no element for ${JSON.stringify(this.steps)}`);
      await wait(50);
    }
  }

  async evaluate(fn, arg) { return (await this.one()).evaluate(fn, arg); }

  async evaluateAll(fn, arg) { return (await this.all()).evaluate(fn, arg); }

  count() { return this.evaluateAll((l) => l.length); }

  async isVisible() {
    return this.evaluateAll((l) => l.length === 1 && l[0].checkVisibility({ visibilityProperty: true })
      && l[0].getBoundingClientRect().width > 0 && l[0].getBoundingClientRect().height > 0);
  }

  getAttribute(name) { return this.evaluate((e, n) => e.getAttribute(n), name); }

  innerText() { return this.evaluate((e) => e.innerText); }

  allInnerTexts() { return this.evaluateAll((l) => l.map((e) => e.innerText)); }

  focus() { return this.evaluate((e) => e.focus()); }

  // Scrolled into view and, as Playwright waits before it acts, in the same place in two
  // frames in a row (whatever follows the scrolling has moved it by then).
  scrollIntoViewIfNeeded() { return this.evaluate(settle); }

  // The middle of the element, scrolled into view and settled
  async centre() {
    const b = await this.evaluate(settle);
    return [b.left + b.width / 2, b.top + b.height / 2];
  }

  async hover() { await this.page.mouse.move(...await this.centre()); }

  async click() { await this.page.mouse.click(...await this.centre()); }

  async tap() { await this.page.touchscreen.tap(...await this.centre()); }
}

// Where the page has gone: polls its address.
const waitForURL = async (url, pattern) => {
  for (const end = Date.now() + timeout; !pattern.test(url());) {
    if (Date.now() > end) throw new Error(`still at ${url()}, waiting for ${pattern}`);
    await wait(50);
  }
};

class Page {
  constructor(raw, close) {
    this.raw = raw;
    this.close = close;
    this.mouse = raw.mouse;
    this.touchscreen = raw.touchscreen;
    this.keyboard = {
      // Playwright's "Shift+Tab" is the modifiers held down around the key.
      press: async (keys) => {
        const [key, ...held] = keys.split('+').reverse();
        for (const k of held) await raw.keyboard.down(k);
        await raw.keyboard.press(key);
        for (const k of held) await raw.keyboard.up(k);
      },
    };
  }

  on(event, handler) { this.raw.on(event, handler); }

  goto(url) { return this.raw.goto(url); }

  url() { return this.raw.url(); }

  evaluate(fn, arg) { return this.raw.evaluate(fn, arg); }

  evaluateHandle(fn, arg) { return this.raw.evaluateHandle(fn, arg); }

  waitForFunction(fn, arg) { return this.raw.waitForFunction(fn, { timeout }, arg); }

  waitForTimeout(ms) { return wait(ms); }

  waitForURL(pattern) { return waitForURL(() => this.raw.url(), pattern); }

  addScriptTag(options) { return this.raw.addScriptTag(options); }

  pdf(options) { return this.raw.pdf(options); }

  async setViewportSize({ width, height }) {
    this.view = { ...this.view, width, height };
    await setViewport(this.raw, this.view);
  }

  locator(css) { return new Locator(this, [{ css }]); }

  getByRole(role, options) { return new Locator(this, []).getByRole(role, options); }

  getByText(text, options) { return new Locator(this, []).getByText(text, options); }

  // A frame by its name (WebDriver BiDi does not tell frames' names)
  async frame({ name }) {
    for (const f of this.raw.frames()) {
      if (await f.evaluate(() => window.name).catch(() => '') === name) {
        return { waitForURL: (pattern) => waitForURL(() => f.url(), pattern) };
      }
    }
    return null;
  }
}

// Sets the page's viewport. Firefox ESR 140 (Debian 12's before its security updates) knows no
// screen orientation override, which puppeteer sends beside the viewport: there the viewport is
// set on its own, and awaited, so that nothing runs before the page has its size.
async function setViewport(page, viewport) {
  try {
    await page.setViewport(viewport);
  } catch (error) {
    if (!/unknown command emulation\.setScreenOrientationOverride/.test(error.message)) throw error;
    await page.mainFrame().browsingContext.setViewport({
      viewport: { width: viewport.width, height: viewport.height },
    });
  }
}

// Firefox in forced colours: the pref that makes it draw every page in the system's colours.
// A context without script is a browser of its own, where a pref turns script off (Firefox ESR
// knows no command for it).
export async function launchFirefox({ forcedColors = false, script = true } = {}) {
  const raw = await puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
    // No requests of the browser's own for site icons
    extraPrefsFirefox: { 'browser.chrome.site_icons': false,
      ...(forcedColors && { 'browser.display.document_color_use': 2 }),
      ...(!script && { 'javascript.enabled': false }) },
  });
  const newContext = async ({ viewport = { width: 1280, height: 720 }, hasTouch = false,
    javaScriptEnabled = true } = {}) => {
    if (!javaScriptEnabled && script) {
      const scriptless = await launchFirefox({ forcedColors, script: false });
      const context = await scriptless.newContext({ viewport, hasTouch });
      return { ...context, close: () => scriptless.close() };
    }
    const context = await raw.createBrowserContext();
    return {
      newPage: async () => {
        const page = await context.newPage();
        const view = { ...viewport, hasTouch };
        await setViewport(page, view);
        const wrapped = new Page(page, () => context.close());
        wrapped.view = view;
        return wrapped;
      },
      close: () => context.close(),
    };
  };
  return {
    engine: 'firefox',
    newContext,
    newPage: async (options) => (await newContext(options)).newPage(),
    close: () => raw.close(),
  };
}
