// The browser build played whole in headless Chromium, against the desktop build at the same input.
//
//   node tests/web/browser_test.mjs --web build-web --desktop build [--keep DIR]
//
// Serves the web build on 127.0.0.1, opens aviorra.html?input=... in Chromium (SwiftShader's WebGL2)
// and plays: the menu, a new run firing, F5; then reloads the page and loads the saved run from the
// menu. The same two scripts run in the desktop binary (headless, in a scratch game folder). Checked:
// the page's pictures equal the desktop's within rounding, avr.sav reaches IndexedDB and survives the
// reload, the saved run is the desktop's byte for byte, the page's console lines are the desktop's,
// and nothing fails in the page (no WebGL error, no exception). --keep DIR leaves the pictures there.
import { spawnSync } from 'node:child_process';
import { createServer } from 'node:http';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, cpSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, resolve } from 'node:path';
import { inflateSync } from 'node:zlib';
import { chromium } from 'playwright-core';

const args = Object.fromEntries(
  process.argv.slice(2).reduce((pairs, arg, i, all) => (arg.startsWith('--') ? [...pairs, [arg.slice(2), all[i + 1]]] : pairs), []));
const webDir = resolve(args.web ?? 'build-web');
const desktopDir = resolve(args.desktop ?? 'build');
const browserPath = process.env.AVIORRA_CHROMIUM ?? '/usr/bin/chromium';

// The two runs. The first plays and saves; the second, after a reload, loads the run from the menu.
const scripts = {
  play: ['seed 5', '40 16', 'shot menu.png', '1 16 ENTER', '90 16 SPACE', '30 16 SPACE LEFT', 'shot play.png',
         '1 16 F5', '5 16', ''].join('\n'),
  load: ['seed 5', '1 10 DOWN', '60 10', '1 10 ENTER', '20 10', 'shot loaded.png', ''].join('\n'),
};
const shots = { play: ['menu.png', 'play.png'], load: ['loaded.png'] };

let failures = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? ` (${detail})` : ''}`);
  if (!ok) {
    failures++;
  }
}

// --- PNG pictures: the game writes 8-bit RGB or RGBA, non-interlaced --------------------------------
function decodePng(bytes) {
  const buffer = Buffer.from(bytes);
  let offset = 8;
  let width = 0;
  let height = 0;
  let channels = 0;
  const data = [];
  while (offset < buffer.length) {
    const length = buffer.readUInt32BE(offset);
    const type = buffer.toString('latin1', offset + 4, offset + 8);
    const body = buffer.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0 || (body[9] !== 2 && body[9] !== 6)) {
        throw new Error('unexpected PNG format');
      }
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      data.push(body);
    }
    offset += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(height * stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? pixels[y * stride + x - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? pixels[(y - 1) * stride + x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += a;
      else if (filter === 2) value += b;
      else if (filter === 3) value += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a);
        const pb = Math.abs(p - b);
        const pc = Math.abs(p - c);
        value += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      pixels[y * stride + x] = value & 0xff;
    }
  }
  return { width, height, channels, pixels };
}

// Within rounding: a mean per-channel difference of at most 1.5/255 and under 0.5 % of the pixels off
// by more than 16 in some channel.
function comparePictures(one, other) {
  if (one.width !== other.width || one.height !== other.height) {
    return { same: false, detail: `${one.width}x${one.height} against ${other.width}x${other.height}` };
  }
  let sum = 0;
  let far = 0;
  const count = one.width * one.height;
  for (let i = 0; i < count; ++i) {
    let worst = 0;
    for (let c = 0; c < 3; ++c) {
      const d = Math.abs(one.pixels[i * one.channels + c] - other.pixels[i * other.channels + c]);
      sum += d;
      worst = Math.max(worst, d);
    }
    if (worst > 16) {
      far++;
    }
  }
  const mean = sum / (count * 3);
  const farShare = far / count;
  return { same: mean <= 1.5 && farShare < 0.005,
           detail: `mean difference ${mean.toFixed(3)}/255, ${(100 * farShare).toFixed(3)} % of pixels off by more than 16` };
}

// --- The desktop build at the same input ----------------------------------------------------------
function runDesktop(folder, name) {
  const scriptPath = join(folder, `${name}.txt`);
  writeFileSync(scriptPath, scripts[name]);
  const run = spawnSync(join(desktopDir, 'aviorra'), ['--headless', '--input', scriptPath, '--game-dir', join(folder, 'game')], {
    cwd: folder, encoding: 'utf8', env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', ALSOFT_DRIVERS: 'null' } });
  if (run.status !== 0) {
    throw new Error(`the desktop run ${name} ended with ${run.status}: ${run.stderr}`);
  }
  return run.stdout.split('\n').filter(line => line.length > 0);
}

// --- The page, served from the web build and the test's scripts ----------------------------------
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.data': 'application/octet-stream',
                '.txt': 'text/plain' };
function serve(root, scriptFolder) {
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = path.startsWith('/scripts/') ? join(scriptFolder, path.slice(9)) : join(root, path);
    if (path.includes('..') || !existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[extname(file)] ?? 'application/octet-stream', 'Cache-Control': 'no-store' });
    response.end(readFileSync(file));
  });
  return new Promise(ready => server.listen(0, '127.0.0.1', () => ready(server)));
}

// A scripted run has no user gesture, so Chromium may warn (at its own discretion, not on every page
// load) that the sound's AudioContext waits for one; that is the browser's autoplay policy at work,
// not a fault of the page. The live run checks that the sound starts after the first key press.
const autoplayNotice = /^The AudioContext was not allowed to start\b/;

// Opens the page with one script and waits for the game's end and the store's last copy; returns the
// page's console lines, its problems, and the files asked for from the page's file system.
async function runPage(page, base, name, files) {
  const lines = [];
  const problems = [];
  const onConsole = message => {
    const text = message.text();
    if (message.type() === 'log') {
      lines.push(text);
    } else if ((message.type() === 'error' || message.type() === 'warning') && !autoplayNotice.test(text)) {
      problems.push(`${message.type()}: ${text}`);
    }
  };
  const onError = error => problems.push(`exception: ${error.message}`);
  page.on('console', onConsole);
  page.on('pageerror', onError);
  const started = Date.now();
  await page.goto(`${base}/aviorra.html?input=/scripts/${name}.txt`);
  await page.waitForFunction(() => window.aviorraExitStatus !== undefined, null, { timeout: 120000 });
  await page.waitForFunction(() => !Module.storeBusy(), null, { timeout: 20000 });
  const result = await page.evaluate(paths => {
    const out = { status: window.aviorraExitStatus, stored: Module.filesStored, files: {},
                  glError: document.getElementById('canvas').getContext('webgl2').getError() };
    for (const path of paths) {
      try {
        out.files[path] = Array.from(Module.readFile(path));
      } catch (error) {
        out.files[path] = null;
      }
    }
    return out;
  }, files);
  if (keep) {
    writeFileSync(join(keep, `${name}-console.txt`), lines.join('\n') + '\n');
  }
  page.off('console', onConsole);
  page.off('pageerror', onError);
  return { ...result, lines, problems, seconds: (Date.now() - started) / 1000 };
}

// --- The page played live: a gamepad, keys, and the tab hidden -------------------------------------
// A pad as the browser's Gamepad API gives it (the "standard" mapping SDL knows); `press` changes its
// buttons (12..15: the d-pad) and tells the page through the timestamp.
function installPad() {
  const pad = { id: 'Test pad (standard)', index: 0, connected: true, mapping: 'standard', timestamp: 1,
                axes: [0, 0, 0, 0], buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })) };
  navigator.getGamepads = () => [pad, null, null, null];
  window.testPadPress = (button, down) => {
    pad.buttons[button] = { pressed: down, touched: down, value: down ? 1 : 0 };
    pad.timestamp++;
  };
  const event = new Event('gamepadconnected');
  event.gamepad = pad;
  window.dispatchEvent(event);
}

function hideTab() {
  Object.defineProperty(document, 'hidden', { value: true, configurable: true });
  Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
  document.dispatchEvent(new Event('visibilitychange'));
}

// Whether the menu row around y (in 800 x 600) shows the chosen item's yellow letters.
function yellowRow(picture, y) {
  let yellow = 0;
  const scale = picture.width / 800;
  for (let py = Math.round((y - 10) * scale); py <= Math.round((y + 10) * scale); ++py) {
    for (let px = Math.round(280 * scale); px < Math.round(600 * scale); ++px) {
      const i = (py * picture.width + px) * picture.channels;
      if (picture.pixels[i] > 200 && picture.pixels[i + 1] > 200 && picture.pixels[i + 2] < 80) {
        yellow++;
      }
    }
  }
  return yellow > 100;
}

async function livePlay(page, base) {
  const problems = [];
  page.on('console', message => { if (message.type() === 'error') problems.push(message.text()); });
  page.on('pageerror', error => problems.push(error.message));
  await page.goto(`${base}/aviorra.html`);
  await page.waitForFunction(() => document.getElementById('cover').style.display === 'none', null, { timeout: 60000 });
  await page.waitForTimeout(1500);
  const canvas = page.locator('#canvas');
  let taken = 0;
  const picture = async () => {
    const bytes = await canvas.screenshot();
    if (keep) {
      writeFileSync(join(keep, `live-${++taken}.png`), bytes);
    }
    return decodePng(bytes);
  };
  // "New game" (its row at y 220) is chosen; the pad's d-pad down chooses "Load game" (y 272).
  const before = await picture();
  check(yellowRow(before, 220) && !yellowRow(before, 272), 'the live page shows the menu with "New game" chosen');
  await page.evaluate(installPad);
  await page.waitForTimeout(300);
  await page.evaluate(() => window.testPadPress(13, true));
  await page.waitForTimeout(150);
  await page.evaluate(() => window.testPadPress(13, false));
  await page.waitForTimeout(600);
  const moved = await picture();
  check(yellowRow(moved, 272) && !yellowRow(moved, 220), 'the gamepad\'s d-pad moves the menu\'s choice');
  // ENTER loads the run saved before (from IndexedDB); the sound starts with this first key.
  await page.keyboard.press('Enter');
  await page.waitForTimeout(1500);
  const audio = await page.evaluate(() => (window.AL && AL.currentCtx ? AL.currentCtx.audioCtx.state : 'none'));
  check(audio === 'running', 'the sound runs after the first key press', `audio context ${audio}`);
  // A loaded run waits behind the pause; the pause key goes on with it.
  const waiting = [await picture(), (await page.waitForTimeout(400), await picture())];
  check(waiting[0].pixels.equals(waiting[1].pixels), 'the loaded run waits paused');
  await page.keyboard.press('p');
  await page.waitForTimeout(800);
  const flying = [await picture(), (await page.waitForTimeout(400), await picture())];
  check(!flying[0].pixels.equals(flying[1].pixels), 'the pause key goes on with the loaded run');
  // The tab hidden pauses the run (h_fokusz_szunet 1): the picture stands still.
  await page.evaluate(hideTab);
  await page.waitForTimeout(500);
  const paused = [await picture(), (await page.waitForTimeout(500), await picture())];
  check(paused[0].pixels.equals(paused[1].pixels), 'hiding the tab pauses the run');
  check(problems.length === 0, 'no errors in the live page', problems.slice(0, 5).join(' | '));
}

const scratch = mkdtempSync(join(tmpdir(), 'aviorra-web-'));
const keep = args.keep ? resolve(args.keep) : null;
if (keep) {
  mkdirSync(keep, { recursive: true });
}
let server = null;
let browser = null;
try {
  // The desktop's runs: the same content in a scratch game folder, the second run after the first.
  mkdirSync(join(scratch, 'desktop'));
  cpSync(join(desktopDir, 'game'), join(scratch, 'desktop', 'game'), { recursive: true });
  const desktopLines = { play: runDesktop(join(scratch, 'desktop'), 'play') };
  const desktopSave = readFileSync(join(scratch, 'desktop', 'game', 'avr.sav'));
  desktopLines.load = runDesktop(join(scratch, 'desktop'), 'load');

  for (const [name, text] of Object.entries(scripts)) {
    mkdirSync(join(scratch, 'scripts'), { recursive: true });
    writeFileSync(join(scratch, 'scripts', `${name}.txt`), text);
  }
  server = await serve(webDir, join(scratch, 'scripts'));
  const base = `http://127.0.0.1:${server.address().port}`;
  browser = await chromium.launch({
    executablePath: browserPath,
    args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic'],
  });
  const context = await browser.newContext({ viewport: { width: 1000, height: 800 } });
  const page = await context.newPage();

  const play = await runPage(page, base, 'play', ['/menu.png', '/play.png', '/game/avr.sav']);
  console.log(`the play run took ${play.seconds.toFixed(1)} s in the page`);
  check(play.status === 0, 'the play run ends normally in the page', `status ${play.status}`);
  check(play.problems.length === 0, 'no errors or exceptions in the page', play.problems.slice(0, 5).join(' | '));
  check(play.glError === 0, 'no WebGL error left at the end', `getError ${play.glError}`);
  check(play.stored >= 1, 'the saved run was copied to IndexedDB', `${play.stored} copies`);
  check(JSON.stringify(play.lines) === JSON.stringify(desktopLines.play), 'the console lines are the desktop\'s',
        `${play.lines.length} lines against ${desktopLines.play.length}`);
  const webSave = play.files['/game/avr.sav'] ? Buffer.from(play.files['/game/avr.sav']) : null;
  check(webSave !== null && webSave.equals(desktopSave), 'avr.sav equals the desktop\'s byte for byte',
        webSave ? `${webSave.length} bytes against ${desktopSave.length}` : 'no avr.sav');

  // A reload: the page starts from nothing but IndexedDB, and loads the run from the menu.
  const load = await runPage(page, base, 'load', ['/loaded.png', '/game/avr.sav']);
  check(load.status === 0, 'the load run ends normally after the reload', `status ${load.status}`);
  check(load.problems.length === 0, 'no errors or exceptions after the reload', load.problems.slice(0, 5).join(' | '));
  const kept = load.files['/game/avr.sav'] ? Buffer.from(load.files['/game/avr.sav']) : null;
  check(kept !== null && webSave !== null && kept.equals(webSave), 'avr.sav survived the reload');
  check(JSON.stringify(load.lines) === JSON.stringify(desktopLines.load), 'the console lines after loading are the desktop\'s',
        `${load.lines.length} lines against ${desktopLines.load.length}`);

  for (const [run, result] of [['play', play], ['load', load]]) {
    for (const shot of shots[run]) {
      const webBytes = result.files[`/${shot}`];
      if (!webBytes) {
        check(false, `the page wrote ${shot}`);
        continue;
      }
      const webPicture = decodePng(webBytes);
      const desktopPicture = decodePng(readFileSync(join(scratch, 'desktop', shot)));
      const compared = comparePictures(webPicture, desktopPicture);
      check(compared.same, `${shot} equals the desktop's within rounding`, compared.detail);
      if (keep) {
        mkdirSync(keep, { recursive: true });
        writeFileSync(join(keep, `web-${shot}`), Buffer.from(webBytes));
        cpSync(join(scratch, 'desktop', shot), join(keep, `desktop-${shot}`));
      }
    }
  }

  await livePlay(page, base);

  // A browser without WebGL2: the page says so and the game does not start.
  const bare = await context.newPage();
  await bare.addInitScript(() => { delete window.WebGL2RenderingContext; });
  const bareLines = [];
  bare.on('console', message => bareLines.push(message.text()));
  await bare.goto(`${base}/aviorra.html`);
  await bare.waitForTimeout(3000);
  const said = await bare.locator('#status').textContent();
  check(/WebGL 2/.test(said) && bareLines.length === 0, 'without WebGL2 the page says so and the game does not start',
        `"${said}", ${bareLines.length} console lines`);
} catch (error) {
  check(false, 'the test ran to its end', error.stack ?? String(error));
} finally {
  await browser?.close();
  server?.close();
  rmSync(scratch, { recursive: true, force: true });
}
console.log(failures === 0 ? 'browser test: all checks passed' : `browser test: ${failures} checks failed`);
process.exit(failures === 0 ? 0 : 1);
