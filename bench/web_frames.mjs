// The browser build's figures in headless Chromium (SwiftShader's WebGL2 on the CPU):
//
//   node bench/web_frames.mjs [build-web] [seconds per phase, default 8]
//
// The download (raw and gzipped), the time from the page's start to its first drawn frame, and for
// the menu and a busy run (a new game with the gun held, banking left and right, a bomb now and then)
// the animation frames per second the page keeps and the WebGL draw calls per frame. Needs
// playwright-core (tests/web: npm ci) and Debian's chromium.
import { createServer } from 'node:http';
import { readFileSync, existsSync, statSync } from 'node:fs';
import { extname, join, resolve, dirname } from 'node:path';
import { gzipSync } from 'node:zlib';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const require = createRequire(join(here, '..', 'tests', 'web', 'package.json'));
const { chromium } = require('playwright-core');

const webDir = resolve(process.argv[2] ?? 'build-web');
const seconds = Number(process.argv[3] ?? 8);

let raw = 0;
let gzipped = 0;
for (const name of ['aviorra.html', 'aviorra.js', 'aviorra.wasm', 'aviorra.data']) {
  const bytes = readFileSync(join(webDir, name));
  const packed = gzipSync(bytes, { level: 9 }).length;
  raw += bytes.length;
  gzipped += packed;
  console.log(`${name}: ${bytes.length} bytes, ${packed} gzipped`);
}
console.log(`download: ${(raw / 1048576).toFixed(2)} MiB, ${(gzipped / 1048576).toFixed(2)} MiB gzipped`);

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const server = createServer((request, response) => {
  const file = join(webDir, decodeURIComponent(new URL(request.url, 'http://localhost').pathname));
  if (file.includes('..') || !existsSync(file) || !statSync(file).isFile()) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, { 'Content-Type': types[extname(file)] ?? 'application/octet-stream' });
  response.end(readFileSync(file));
});
await new Promise(ready => server.listen(0, '127.0.0.1', ready));

const browser = await chromium.launch({
  executablePath: process.env.AVIORRA_CHROMIUM ?? '/usr/bin/chromium',
  args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const page = await (await browser.newContext({ viewport: { width: 1000, height: 800 } })).newPage();
// Counts the draw calls and the animation frames; notes the time of the first draw.
await page.addInitScript(() => {
  window.benchDraws = 0;
  window.benchFrames = 0;
  window.benchFirstDraw = null;
  const proto = WebGL2RenderingContext.prototype;
  for (const name of ['drawArrays', 'drawElements', 'drawRangeElements', 'drawArraysInstanced', 'drawElementsInstanced']) {
    const original = proto[name];
    proto[name] = function(...args) {
      if (window.benchFirstDraw === null) {
        window.benchFirstDraw = performance.now();
      }
      window.benchDraws++;
      return original.apply(this, args);
    };
  }
  const count = () => {
    window.benchFrames++;
    requestAnimationFrame(count);
  };
  requestAnimationFrame(count);
});
await page.goto(`http://127.0.0.1:${server.address().port}/aviorra.html`);
await page.waitForFunction(() => window.benchFirstDraw !== null, null, { timeout: 60000 });
console.log(`page start to the first drawn frame: ${(await page.evaluate(() => window.benchFirstDraw)).toFixed(0)} ms`);
await page.waitForTimeout(1500);

async function phase(name, act) {
  const start = await page.evaluate(() => ({ draws: window.benchDraws, frames: window.benchFrames, time: performance.now() }));
  await act();
  const end = await page.evaluate(() => ({ draws: window.benchDraws, frames: window.benchFrames, time: performance.now() }));
  const frames = end.frames - start.frames;
  const fps = frames / ((end.time - start.time) / 1000);
  console.log(`${name}: ${fps.toFixed(1)} frames per second, ${((end.draws - start.draws) / frames).toFixed(1)} draw calls per frame`);
}

await phase('menu', () => page.waitForTimeout(seconds * 1000));
await page.keyboard.press('Enter');
await page.waitForTimeout(4000);
await phase('busy play', async () => {
  await page.keyboard.down('Space');
  const end = Date.now() + seconds * 1000;
  for (let turn = 0; Date.now() < end; ++turn) {
    const side = turn % 2 === 0 ? 'ArrowLeft' : 'ArrowRight';
    await page.keyboard.down(side);
    if (turn % 3 === 0) {
      await page.keyboard.press('ControlLeft');
    }
    await page.waitForTimeout(700);
    await page.keyboard.up(side);
  }
  await page.keyboard.up('Space');
});
await page.screenshot({ path: process.env.BENCH_SHOT ?? '/tmp/web-busy.png' });
await browser.close();
server.close();
