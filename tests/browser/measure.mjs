// Measures how fast the generated menu is ready, in headless Chromium. Not part of the test run:
//   node measure.mjs [runs]
// Each design is measured in a wide window (1280x720: the bar) and a narrow one (360x740: the
// Menu button). With MEASURE_BASELINE=path/to/another/dhtml.dat the same pages are also made with
// that template's engine and measured in the same rounds, for a fair comparison on a busy machine.
// For each design the filled template (quorvane-gen without --preview) is wrapped in a page with
// time stamps: t0 before the item lines, t1 before the engine, tE when the engine's script has
// put the menu into the page, t1b when the next script starts, and t2 once the page has been
// laid out (a forced layout of the whole page). "Usable" is t2 - t0; "engine alone" is t2 - t1.
// tE is taken by a mutation observer, which the browser calls right after the engine's script
// ends; between tE and t1b the HTML parser may pause and let the browser run tasks of its own
// (sometimes drawing a frame, which then does the layout that t2 would otherwise wait for).
// Prints medians over the runs, and the engine's gzipped size. A further pass traces some more
// loads of each design for the main thread's CPU time: the engine's script, and style and layout
// until the first frame (figures that a busy machine changes far less than the times above). A
// last pass loads each design in the wide window until every list is built and takes its longest
// task: the engine's (its script and each callback it hands to the browser) and, from a long-task
// observer, the longest task of any kind from the engine's script on.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import {
  binDir, generate, item, launch, makeWorkDir, pageUrl, removeWorkDir, startUpStyle, withTaskTimes,
} from './helpers.mjs';

const engineOf = (template) => template.split('<script>')[2].split('</script>')[0];
const baseline = process.env.MEASURE_BASELINE
  ? engineOf(readFileSync(process.env.MEASURE_BASELINE, 'latin1')) : null;
const windows = [['wide', { width: 1280, height: 720 }], ['narrow', { width: 360, height: 740 }]];

const runs = Number(process.argv[2]) || 21;
// MEASURE_DESIGNS=text measures only the designs whose label holds that text, without the
// reference pages.
const only = process.env.MEASURE_DESIGNS;

// Three levels: roots, their sub items, and the sub items of those.
const tree = (roots, perRoot, perChild) => Array.from({ length: roots }, (_, r) =>
  item(`Section ${r + 1}`, '', { width: 100, items: Array.from({ length: perRoot }, (__, c) =>
    item(`Topic ${r + 1}.${c + 1}`, `topic-${r}-${c}.html`, { width: 140, items:
      Array.from({ length: perChild }, (___, g) => item(`Page ${r + 1}.${c + 1}.${g + 1}`,
        `page-${r}-${c}-${g}.html`, { width: 160 })) })) }));
const flat = (n) => Array.from({ length: n }, (_, i) => item(`Item ${i + 1}`, `item-${i}.html`));

const designs = [
  ['500 items, 3 levels (5 x 9 x 10)', { items: tree(5, 9, 10) }, 500],
  ['5,000 items, 3 levels (8 x 24 x 25)', { items: tree(8, 24, 25) }, 5000],
  ['500 items, all in the vertical root list', { style: { MenuType: 1 }, items: flat(500) }, 500],
  ['5,000 items, all in the vertical root list', { style: { MenuType: 1 }, items: flat(5000) }, 5000],
];

const median = (values) => {
  const s = [...values].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

const gzipped = (engine) => `${engine.length} bytes, ${gzipSync(engine, { level: 9 }).length} bytes gzipped`;
const engine = engineOf(readFileSync(join(binDir, 'dhtml.dat'), 'latin1'));
console.log(`engine: ${gzipped(engine)}`);
if (baseline) console.log(`baseline engine: ${gzipped(baseline)}`);

// Only the design pages have the observer: the browser would make a record of every element that
// the parser adds to a reference page.
const opening = (observe) => '<html><head></head><body><script>var t0,t1,tE,t1b,t2;'
  + (observe ? 'new MutationObserver(function(){if(t1&&!tE&&document.querySelector(MENU))'
    + 'tE=performance.now()}).observe(document,{childList:true,subtree:true});' : '')
  + 't0=performance.now()</script>';
const end = (target, first = '') => `<script>${first}t1b=performance.now();`
  + `document.querySelector(${target}).getBoundingClientRect();t2=performance.now()</script>`
  + '</body></html>';
const plainLinks = (count, style = '') => `<ul${style}>` + Array.from({ length: count },
  (_, i) => `<li><a href="i${i}.html">Item ${i + 1}</a>`).join('') + '</ul>';
const menuFont = ` style="font:${startUpStyle.FontSize}pt ${startUpStyle.MenuFont}"`;
// The menu's element in the page: its host (or, for an engine without a shadow root, its nav).
const menu = '"quorvane-menu,nav"';
const newPage = (label, url, reference, viewport) => ({ label, url, reference, viewport,
  total: [], engineOnly: [], items: [], script: [], between: [], layout: [], firstOpen: [] });

const dir = makeWorkDir();
const browser = await launch();
try {
  const pages = [];
  const itemLines = {};
  for (const [label, design, count] of designs.filter(([l]) => !only || l.includes(only))) {
    const code = generate(dir, design, { preview: false, name: `measure${count}` });
    const at = code.indexOf('<script>', code.indexOf('</script>'));
    // (The reference pages have the item lines without the plain list of links.)
    if (!design.style) itemLines[count] = code.slice(0, at).replace(/<nav[\s\S]*<\/nav>/, '');
    for (const [which, text] of [['', engine], ['baseline: ', baseline]]) {
      if (!text) continue;
      const html = opening(true).replace('MENU', menu) + code.slice(0, at)
        + '<script>t1=performance.now()</script>'
        + (which ? `<script>${text}</script>` : code.slice(at)) + end(menu);
      for (const [size, viewport] of windows) {
        const name = `measure-${label.length}-${count}-${which.length}-${size}.htm`;
        pages.push(newPage(`${which}${label}, ${size} window`, pageUrl(dir, html, { name }), false,
          viewport));
        if (size === 'wide') {
          const longtasks = '<script>var lt=[];new PerformanceObserver(function(l){'
            + 'lt.push.apply(lt,l.getEntries())}).observe({type:"longtask",buffered:true})</script>';
          pages.at(-1).tasksUrl = pageUrl(dir, `<html><head></head><body>${longtasks}`
            + `${withTaskTimes(which ? `${code.slice(0, at)}<script>${text}</script>` : code)}`
            + '</body></html>', { name: `tasks-${name}` });
          pages.at(-1).shown = count;
        }
      }
    }
  }
  // For scale: the same number of plain links written in the page, laid out, without any script.
  for (const count of only ? [] : [8, 500, 5000]) {
    const html = opening(false) + plainLinks(count) + end('"body"', 't1=t0;');
    pages.push(newPage(`${count} plain links in the page, no script`,
      pageUrl(dir, html, { name: `plain${count}.htm` }), true));
  }
  // What a page pays without any engine: 8 links in the menu's font (a font family that is not
  // installed costs the browser a look-up of its own), and the item lines of the 3-level designs
  // followed by those 8 links. No engine can make a menu usable sooner than these.
  if (!only) {
    pages.push(newPage('8 plain links in the menu\'s font, no script', pageUrl(dir,
      opening(false) + plainLinks(8, menuFont) + end('"body"', 't1=t0;'), { name: 'font8.htm' }),
    true));
  }
  for (const [count, lines] of only ? [] : Object.entries(itemLines)) {
    const html = opening(false) + lines + '<script>t1=performance.now()</script>'
      + plainLinks(8, menuFont) + end('"body"');
    const label = `the item lines of ${Number(count).toLocaleString('en')} items, then 8 plain links `
      + 'in the menu\'s font, no engine';
    pages.push(newPage(label, pageUrl(dir, html, { name: `lines${count}.htm` }), true));
  }
  // One load of each page first warms the browser up (fonts, caches); then the pages take
  // turns, so that a busy moment of the machine does not fall on one design alone.
  for (let round = -1; round < runs; round++) {
    // Each round starts with another page, so that none always follows the heaviest one.
    const start = (round + pages.length) % pages.length;
    for (const p of [...pages.slice(start), ...pages.slice(0, start)]) {
      const page = await browser.newPage(p.viewport ? { viewport: p.viewport } : {});
      await page.goto(p.url);
      const t = await page.evaluate(() => [t0, t1, tE, t1b, t2]);
      // The first button that opens something (a sub menu, or the stacked list of the Menu
      // button), from the click to the laid-out list.
      const open = await page.evaluate(() => {
        const root = document.querySelector('quorvane-menu')?.shadowRoot || document;
        const button = [...root.querySelectorAll('nav button[aria-expanded]')]
          .find((b) => b.checkVisibility());
        if (!button) return NaN;
        const start = performance.now();
        button.click();
        root.getElementById(button.getAttribute('aria-controls')).getBoundingClientRect();
        return performance.now() - start;
      });
      await page.close();
      // Let the closed page's teardown finish before the next load is timed.
      await new Promise((done) => setTimeout(done, 250));
      if (round < 0) continue;
      p.total.push(t[4] - t[0]);
      p.engineOnly.push(t[4] - t[1]);
      p.items.push(t[1] - t[0]);
      p.script.push(t[2] - t[1]);
      p.between.push(t[3] - t[2]);
      p.layout.push(t[4] - t[3]);
      p.firstOpen.push(open);
    }
  }
  // The main thread's CPU time, from a trace of each design page (fewer rounds: tracing slows
  // the page down, so these loads are not timed above). Unlike the times above it hardly depends
  // on how busy the machine is: the engine's script (compiling and running it), and the style and
  // layout work until the first frame is painted.
  const traced = pages.filter((p) => !p.reference);
  for (let round = -1; round < Math.ceil(runs / 2); round++) {
    for (const p of round % 2 ? traced : [...traced].reverse()) {
      const page = await browser.newPage({ viewport: p.viewport });
      await browser.startTracing(page, { categories: ['devtools.timeline',
        'disabled-by-default-devtools.timeline'] });
      await page.goto(p.url);
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => setTimeout(done))));
      const events = JSON.parse(await browser.stopTracing()).traceEvents;
      await page.close();
      await new Promise((done) => setTimeout(done, 250));
      if (round < 0) continue;
      // The page's scripts run in the order they stand: the engine's is the fourth.
      const scripts = events.filter((e) => e.name === 'EvaluateScript' && e.args.data?.url === p.url)
        .sort((a, b) => a.ts - b.ts);
      const engineRun = scripts[3];
      const onMain = events.filter((e) => e.pid === engineRun.pid && e.tid === engineRun.tid);
      const painted = onMain.find((e) => e.name === 'Paint' && e.ts > engineRun.ts)?.ts ?? Infinity;
      const cpu = (names) => onMain.filter((e) => names.includes(e.name) && e.ts < painted)
        .reduce((sum, e) => sum + (e.tdur || 0), 0) / 1000;
      (p.cpuScript ??= []).push(engineRun.tdur / 1000);
      (p.cpuStyle ??= []).push(cpu(['UpdateLayoutTree', 'Layout']));
    }
  }
  for (let round = -1; round < runs; round++) {
    for (const p of pages.filter((q) => q.tasksUrl)) {
      const page = await browser.newPage({ viewport: p.viewport });
      await page.goto(p.tasksUrl);
      await page.waitForFunction((n) => document.querySelector('quorvane-menu').shadowRoot
        .querySelectorAll('li').length >= n, p.shown, { timeout: 60000 });
      const [engineTask, anyTask] = await page.evaluate(() => [Math.max(...tasks.map((t) => t[0])),
        Math.max(0, ...lt.filter((e) => e.startTime + e.duration >= t1).map((e) => e.duration))]);
      await page.close();
      await new Promise((done) => setTimeout(done, 250));
      if (round < 0) continue;
      (p.engineTask ??= []).push(engineTask);
      (p.anyTask ??= []).push(anyTask);
    }
  }
  const ms = (v) => `${median(v).toFixed(1)} ms`;
  for (const p of pages) {
    const opened = Number.isNaN(median(p.firstOpen)) ? ''
      : `, first opening of a sub menu or the stacked list ${ms(p.firstOpen)}`;
    console.log(p.reference
      ? `reference: ${p.label}: parsed and laid out in ${ms(p.total)}`
        + (p.label.includes('item lines') ? ` (item lines ${ms(p.items)})` : '')
        + ` [median of ${runs}]`
      : `${p.label}: script start to usable menu ${ms(p.total)} (engine alone `
        + `${ms(p.engineOnly)})${opened} [median of ${runs}]\n`
        + `  item lines ${ms(p.items)}; engine's script ${ms(p.script)}; browser's own tasks `
        + `before the next script ${ms(p.between)}; layout ${ms(p.layout)} [medians]\n`
        + `  CPU time on the main thread: the engine's script ${ms(p.cpuScript)}, style and layout `
        + `until the first frame ${ms(p.cpuStyle)} [medians of ${p.cpuScript.length} traced loads]`
        + (p.engineTask ? `\n  longest task until every list is built: the engine's ${ms(p.engineTask)}, `
          + `any (long-task observer, 0: none over 50 ms) ${ms(p.anyTask)} [medians of ${runs}]` : ''));
  }
} finally {
  await browser.close();
  removeWorkDir(dir);
}
