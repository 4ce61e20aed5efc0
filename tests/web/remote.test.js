// SPDX-License-Identifier: MIT
// The remote page in a real browser: Debian's chromium, headless, driven by
// puppeteer-core, on runo-bridge (--http) over runo-projector-sim on a
// pseudo-terminal. Each line the simulator receives is counted from its
// "RX <line>" output.
//   node remote.test.js BRIDGE SIMULATOR
// Exits 77 (skipped) when chromium, node or the npm packages are missing,
// unless RUNO_REQUIRE_BROWSER is set (scripts/test, which installs them).
// RUNO_REMOTE_SCREENSHOTS=DIR writes DIR/remote.png and DIR/remote-phone.png
// (DIR relative to the source tree: RUNO_REMOTE_SCREENSHOTS=docs).
'use strict';

const {spawn} = require('node:child_process');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');

const kSkipped = 77;
const kChromium = '/usr/bin/chromium';
const kPassword = 'lectern-7';
const kFreeCommand = 'send TEXT'; // the list's row for the free command, which has no button
const kStartMs = 10000;
const kPhone = {width: 360, height: 740, deviceScaleFactor: 2, isMobile: true, hasTouch: true};
const kDesktop = {width: 1280, height: 860};
const kDesktopShot = {width: 1280, height: 1000};
const kPhoneShot = {width: 360, height: 740, deviceScaleFactor: 2}; // the same page: no reload for isMobile

function skip(why) {
    if (process.env.RUNO_REQUIRE_BROWSER) {
        console.error(`FAIL: ${why}`);
        process.exit(1);
    }
    console.log(`SKIP: ${why}`);
    process.exit(kSkipped);
}

let puppeteer;
try {
    puppeteer = require('puppeteer-core');
} catch {
    skip('puppeteer-core is not installed (npm ci in tests/web)');
}
if (!fs.existsSync(kChromium))
    skip(`${kChromium} is not installed`);

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function waitFor(what, test, ms = 5000) {
    const end = Date.now() + ms;
    while (!(await test())) {
        if (Date.now() > end)
            throw new Error(`timed out waiting for ${what}`);
        await sleep(20);
    }
}

function freePort() {
    return new Promise((resolve, reject) => {
        const server = net.createServer().listen(0, '127.0.0.1', () => {
            const {port} = server.address();
            server.close(() => resolve(port));
        });
        server.on('error', reject);
    });
}

// A child process whose standard output is kept line by line.
function child(program, args) {
    const proc = spawn(program, args, {stdio: ['ignore', 'pipe', 'pipe']});
    proc.out = [];
    proc.err = '';
    let rest = '';
    proc.stdout.on('data', (d) => {
        const lines = (rest + d).split('\n');
        rest = lines.pop();
        proc.out.push(...lines);
    });
    proc.stderr.on('data', (d) => (proc.err += d));
    return proc;
}

// The lines the simulator has received that are `line`.
const received = (sim, line) => sim.out.filter((l) => l === `RX ${line}`).length;

async function centre(page, name) {
    const button = await page.$(`button[aria-label="${name}"]`);
    await button.evaluate((b) => b.scrollIntoView({block: 'center'}));
    const box = await button.boundingBox();
    return {x: box.x + box.width / 2, y: box.y + box.height / 2};
}

const text = (page, id) => page.$eval(`#${id}`, (e) => e.textContent);
const live = (page) => page.$eval('body', (b) => b.classList.contains('connected'));

async function logIn(page, base) {
    await page.goto(base + '/');
    await page.type('input[name="password"]', kPassword);
    await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
    await page.waitForSelector('button[aria-label="POWER ON"]');
    await waitFor('the live socket', () => live(page));
}

// Holds for `ms`, then releases; the lines sent by then, 300 ms after the
// release and a second after that.
async function holdLines(sim, line, ms, hold, release) {
    await hold();
    await sleep(ms);
    const held = received(sim, line);
    await release();
    await sleep(300);
    const afterRelease = received(sim, line);
    await sleep(1000);
    return {held, afterRelease, later: received(sim, line)};
}

const steps = [];
const step = (name, fn) => steps.push({name, fn});

step('logs in and lists every command of the list by its name', async (t) => {
    await logIn(t.page, t.base);
    const rows = await t.page.evaluate(() => fetch('/api/commands').then((r) => r.json()));
    const labels = await t.page.$$eval('button[aria-label]', (bs) => bs.map((b) => b.getAttribute('aria-label')));
    const commands = rows.filter((r) => r.name !== kFreeCommand);
    assert.deepEqual(commands.map((r) => r.name).filter((n) => !labels.includes(n)), []);
    t.buttons = labels.length;
    t.singles = commands.filter((r) => !r.repeat_ms).map((r) => r.name);
});

step('a click reaches the simulator and shows its TXD line', async (t) => {
    await t.page.click('button[aria-label="READ L-TIME"]');
    await waitFor('CR3 at the simulator', () => received(t.sim, 'CR3') === 1);
    await waitFor('the TXD line', async () => (await text(t.page, 'txd')) === ' C R 3 CR ');
});

step('Tab reaches every single-press button; Enter and Space press it', async (t) => {
    await t.page.focus('button[aria-label="POWER ON"]');
    const reached = new Set();
    for (let i = 0; i < t.buttons + 5; ++i) {
        reached.add(await t.page.evaluate(() => document.activeElement.getAttribute('aria-label')));
        await t.page.keyboard.press('Tab');
    }
    assert.deepEqual(t.singles.filter((n) => !reached.has(n)), []);
    await t.page.focus('button[aria-label="READ TEMP"]');
    await t.page.keyboard.press('Enter');
    await t.page.focus('button[aria-label="READ MODE"]');
    await t.page.keyboard.press('Space');
    await waitFor('CR6 and CR1', () => received(t.sim, 'CR6') === 1 && received(t.sim, 'CR1') === 1);
});

step('a second page sees the first page\'s exchange', async (t) => {
    t.phone = await (await t.browser.createBrowserContext()).newPage(); // a session of its own
    await t.phone.setViewport(kPhone);
    await logIn(t.phone, t.base);
    await t.page.click('button[aria-label="READ STATUS"]');
    await waitFor('the exchange on the second page', async () => (await text(t.phone, 'txd')) === ' C R 0 CR ');
    const width = await t.phone.evaluate(() => document.documentElement.scrollWidth);
    assert.ok(width <= kPhone.width, `the phone page scrolls sideways: ${width} px`);
});

step('a mouse hold repeats, with its keep-alives, until the release', async (t) => {
    const at = await centre(t.page, 'VOL +');
    await t.page.mouse.move(at.x, at.y);
    const n = await holdLines(t.sim, 'C09', 2000, () => t.page.mouse.down(), () => t.page.mouse.up());
    assert.ok(n.held >= 7 && n.held <= 10, `${n.held} lines in 2 s of a 250 ms hold`);
    assert.equal(n.later, n.afterRelease, 'lines after the release');
});

step('a touch hold repeats until the touch ends; another page\'s press meanwhile is refused there', async (t) => {
    const at = await centre(t.phone, 'Zoom +');
    const other = await centre(t.page, 'VOL -');
    const refused = async () => {
        await t.page.mouse.move(other.x, other.y);
        await t.page.mouse.down();
        await waitFor('the refusal on the other page', async () => (await text(t.page, 'message')) !== '');
        await t.page.mouse.up();
    };
    const hold = async () => {
        await t.phone.touchscreen.touchStart(at.x, at.y);
        await refused();
    };
    const n = await holdLines(t.sim, 'C47', 1000, hold, () => t.phone.touchscreen.touchEnd());
    assert.ok(n.held >= 6, `${n.held} lines in a second of a 105 ms hold`);
    assert.equal(n.later, n.afterRelease, 'lines after the touch ended');
    assert.equal(received(t.sim, 'C0A'), 0, 'the refused press reached the line');
});

step('a page closed mid-hold stops the repeat within a second', async (t) => {
    const at = await centre(t.phone, 'Focus +');
    await t.phone.touchscreen.touchStart(at.x, at.y);
    await waitFor('Focus + repeating', () => received(t.sim, 'C4B') >= 3);
    await t.phone.close();
    await sleep(1000);
    const closed = received(t.sim, 'C4B');
    await sleep(1000);
    assert.equal(received(t.sim, 'C4B'), closed, 'lines more than a second after the page closed');
});

step('a page that stops talking mid-hold stops the repeat within a second', async (t) => {
    const page = await t.browser.newPage();
    await page.goto(t.base + '/');
    await waitFor('the live socket', () => live(page));
    const at = await centre(page, 'Keystone +');
    await page.mouse.move(at.x, at.y);
    await page.mouse.down();
    await waitFor('Keystone + repeating', () => received(t.sim, 'C8E') >= 2);
    const cdp = await page.createCDPSession();
    await cdp.send('Debugger.enable');
    await cdp.send('Debugger.pause'); // the script stops: no keep-alive, no release, the socket open
    await sleep(1400);
    const silent = received(t.sim, 'C8E');
    await sleep(1000);
    assert.equal(received(t.sim, 'C8E'), silent, 'lines more than a second after the keep-alives stopped');
    await page.close();
});

// The page after POWER ON and a read, at desktop and phone width.
async function screenshots(t) {
    const dir = path.resolve(__dirname, '../..', process.env.RUNO_REMOTE_SCREENSHOTS);
    await t.page.click('button[aria-label="POWER ON"]');
    await waitFor('POWER ON', () => received(t.sim, 'C00') === 1);
    // Reads of their own: the bridge answers a read polled again within 1 s from the last.
    const shots = [['remote.png', kDesktopShot, 'READ STATUS', 'CR0'], ['remote-phone.png', kPhoneShot, 'READ L-TIME', 'CR3']];
    for (const [file, viewport, read, line] of shots) {
        await t.page.setViewport(viewport);
        const reads = received(t.sim, line);
        const at = await centre(t.page, read); // clear of the traffic display above
        await t.page.mouse.click(at.x, at.y);
        await waitFor(read, () => received(t.sim, line) === reads + 1);
        await sleep(600); // the reply window
        await t.page.evaluate(() => window.scrollTo(0, 0));
        await t.page.screenshot({path: path.join(dir, file)});
    }
}

if (process.env.RUNO_REMOTE_SCREENSHOTS)
    step('screenshots', screenshots);

step('the line\'s loss is shown; signing out shows the login page', async (t) => {
    t.sim.kill();
    await t.page.click('button[aria-label="READ TEMP"]');
    await waitFor('the line shown lost', async () => (await text(t.page, 'line-state')) !== '');
    await Promise.all([t.page.waitForNavigation(), t.page.click('#logout')]);
    await t.page.waitForSelector('input[name="password"]');
});

async function main() {
    const [bridgePath, simPath] = process.argv.slice(2);
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'runo-remote-'));
    const t = {passed: 0};
    try {
        const passwordFile = path.join(dir, 'password');
        fs.writeFileSync(passwordFile, kPassword + '\n', {mode: 0o600});
        t.sim = child(simPath, []);
        await waitFor('the simulator\'s line', () => t.sim.out.length > 0);
        const port = await freePort();
        t.base = `http://127.0.0.1:${port}`;
        t.bridge = child(bridgePath, ['--port', t.sim.out[0], '--pjlink', '127.0.0.1:0', '--http', `127.0.0.1:${port}`,
            '--password-file', passwordFile]);
        await waitFor('the bridge\'s page', () => {
            if (t.bridge.exitCode !== null)
                throw new Error(`the bridge ended with status ${t.bridge.exitCode}`);
            return fetch(t.base + '/').then((r) => r.ok, () => false);
        }, kStartMs);
        const root = typeof process.getuid === 'function' && process.getuid() === 0;
        t.browser = await puppeteer.launch({executablePath: kChromium, headless: true, args: root ? ['--no-sandbox'] : []});
        t.page = await t.browser.newPage();
        await t.page.setViewport(kDesktop);
        for (const s of steps) {
            await s.fn(t);
            console.log(`PASS: ${s.name}`);
            ++t.passed;
        }
    } catch (e) {
        console.error(`FAIL: ${e.stack}`);
        if (t.bridge)
            console.error(`bridge: ${t.bridge.err}`);
        process.exitCode = 1;
    } finally {
        if (t.browser)
            await t.browser.close();
        if (t.sim)
            t.sim.kill();
        if (t.bridge)
            await ended(t.bridge);
        fs.rmSync(dir, {recursive: true, force: true});
    }
    console.log(`${t.passed} passed, ${process.exitCode ? 1 : 0} failed`);
}

// Ends the bridge as systemd does: status 0 (under the sanitizers, nothing
// found on the way out either).
async function ended(bridge) {
    const status = bridge.exitCode !== null ? bridge.exitCode : await new Promise((resolve) => {
        bridge.on('exit', (code, signal) => resolve(signal || code));
        bridge.kill('SIGTERM');
        setTimeout(() => bridge.kill('SIGKILL'), kStartMs).unref();
    });
    if (status !== 0) {
        console.error(`FAIL: the bridge ended with ${status}\n${bridge.err}`);
        process.exitCode = 1;
    }
}

main();
