// SPDX-License-Identifier: MIT
// The remote page of runo-bridge. The buttons come from GET /api/commands,
// in the panel's groups, each named as the panel names it; the live socket
// (/api/live) carries the presses and holds out and every exchange on the
// line back. A hold lives only while the page shows it held: released at
// pointerup, at pointercancel or a lost capture, when the page is hidden or
// loses the focus, and the bridge ends it itself when the keep-alives stop.
'use strict';

const kKeepaliveMs = 250; // while holding; the bridge ends a hold after 1 s without
const kReconnectMs = [500, 1000, 2000, 5000]; // the waits before each new try
const kMessageMs = 6000; // how long a refusal stays shown
const kFreeCommand = 'send TEXT'; // the list's free-command row, which has no button here

// The panel's groups in the order the page shows them; a group not named
// here follows in the order of the list.
const kGroupOrder = ['POWER', 'INPUT MODE SET', 'MENU', 'SOUND MUTE', 'NO SHOW', 'FREEZE', 'AV Size', 'Cursor', 'VOL',
    'Zoom', 'Focus', 'D.Zoom', 'Keystone', 'LENS SHIFT', '', 'IMAGE MODE', 'READ', 'INPUT', 'FAN SPEED'];

const kLineText = {
    closed: 'The line to the projector is closed.',
    lost: 'The line to the projector is lost.',
};
const kNoBridge = 'No connection to the bridge; trying again.';

let socket = null;
let socketOpen = false;
let tries = 0;
let lineState = 'open';
let held = null; // the hold button held now
let holdTaken = false; // whether the bridge has said the hold is this page's
let keepalive = 0;
let messageTimer = 0;

const byId = (id) => document.getElementById(id);

function send(message) {
    if (!socketOpen)
        return false;
    socket.send(JSON.stringify(message));
    return true;
}

function showMessage(text) {
    const box = byId('message');
    box.textContent = text;
    box.hidden = !text;
    clearTimeout(messageTimer);
    if (text)
        messageTimer = setTimeout(() => showMessage(''), kMessageMs);
}

function showLine() {
    const box = byId('line-state');
    const text = socketOpen ? (kLineText[lineState] || '') : kNoBridge;
    box.textContent = text;
    box.hidden = !text;
    document.body.classList.toggle('offline', !!text);
    document.body.classList.toggle('connected', socketOpen);
}

function showState(state) {
    if (!state)
        return;
    lineState = state.line || 'open';
    showLine();
    const parts = [];
    if (state.power)
        parts.push('POWER ' + state.power);
    if (state.lamp_hours !== null && state.lamp_hours !== undefined)
        parts.push('LAMP ' + state.lamp_hours + ' h');
    byId('state').textContent = parts.join(' · ');
}

function showTraffic(exchange) {
    byId('txd').textContent = exchange.txd || '';
    byId('rxd').textContent = exchange.rxd || '';
    byId('status').textContent = exchange.status || '';
}

// A single-press button: one exchange per click (mouse, touch, Enter, Space).
function press(name) {
    if (!send({type: 'press', name}))
        showMessage(kNoBridge);
}

function startHold(button) {
    if (held)
        return;
    if (!send({type: 'press', name: button.dataset.name})) {
        showMessage(kNoBridge);
        return;
    }
    held = button;
    holdTaken = false;
    button.classList.add('held');
    keepalive = setInterval(() => send({type: 'keepalive'}), kKeepaliveMs);
}

// Ends the hold this page has; tell: whether to send the release (not when
// the bridge has refused or dropped it already).
function endHold(tell = true) {
    if (!held)
        return;
    held.classList.remove('held');
    held = null;
    clearInterval(keepalive);
    if (tell)
        send({type: 'release'});
}

// Held by a pointer alone (mouse, finger, pen): as on the panel, Space and
// Enter do not work a hold button.
function wireHold(button) {
    button.addEventListener('pointerdown', (e) => {
        if (e.button !== 0)
            return;
        e.preventDefault();
        button.setPointerCapture(e.pointerId);
        startHold(button);
    });
    // A second finger's button, refused while the first holds, releases nothing.
    const release = () => {
        if (held === button)
            endHold();
    };
    for (const type of ['pointerup', 'pointercancel', 'lostpointercapture', 'blur'])
        button.addEventListener(type, release);
    button.addEventListener('contextmenu', (e) => e.preventDefault()); // a long touch
}

// The caption is the name less its group ("POWER ON" under POWER: "ON");
// a leading row number ("1 RGB" under INPUT) is the row's.
function caption(row) {
    const prefix = row.group ? row.group + ' ' : '';
    const text = row.name.startsWith(prefix) ? row.name.slice(prefix.length) : row.name;
    const m = /^(\d) (.+)$/.exec(text);
    return m ? {row: m[1], text: m[2]} : {row: '', text};
}

function makeButton(row, text) {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = text;
    button.setAttribute('aria-label', row.name);
    button.dataset.name = row.name;
    if (row.repeat_ms) {
        button.classList.add('hold');
        wireHold(button);
    } else {
        button.addEventListener('click', () => press(row.name));
    }
    return button;
}

function makeGroup(group, rows) {
    const box = document.createElement('section');
    box.className = 'group';
    box.dataset.group = group;
    if (group) {
        const heading = document.createElement('h2');
        heading.textContent = group;
        box.append(heading);
        box.setAttribute('aria-label', group);
    }
    const lines = new Map();
    for (const row of rows) {
        const c = caption(row);
        if (!lines.has(c.row)) {
            const line = document.createElement('div');
            line.className = 'buttons';
            if (c.row) {
                const label = document.createElement('span');
                label.className = 'row';
                label.textContent = c.row;
                line.append(label);
            }
            lines.set(c.row, line);
            box.append(line);
        }
        lines.get(c.row).append(makeButton(row, c.text));
    }
    return box;
}

function buildPanel(rows) {
    const groups = new Map();
    for (const row of rows) {
        if (row.name === kFreeCommand)
            continue;
        const group = row.group || '';
        if (!groups.has(group))
            groups.set(group, []);
        groups.get(group).push(row);
    }
    const known = kGroupOrder.filter((g) => groups.has(g));
    const others = [...groups.keys()].filter((g) => !kGroupOrder.includes(g));
    byId('panel').replaceChildren(...[...known, ...others].map((g) => makeGroup(g, groups.get(g))));
}

const handlers = {
    hello: (m) => {
        showState(m.state);
        showHold(m.holding, false);
    },
    exchange: (m) => {
        showTraffic(m);
        showState(m.state);
    },
    line: (m) => showState({line: m.line}),
    hold: (m) => showHold(m.holding, m.mine),
    refused: (m) => {
        if (held && held.dataset.name === m.name)
            endHold(false);
        showMessage(m.message || m.name + ' was refused.');
    },
};

// A hold ended by the bridge (the line lost, a second's silence) ends here
// too; the end of this page's previous hold, heard after a quick new press,
// does not end the new one.
function showHold(holding, mine) {
    if (holding && mine && held)
        holdTaken = true;
    else if (!holding && held && holdTaken)
        endHold(false);
    document.body.classList.toggle('held-elsewhere', holding && !mine);
}

// The login page again once the session has ended.
async function sessionEnded(response) {
    if (response && response.status === 401) {
        location.reload();
        return true;
    }
    return false;
}

function connect() {
    const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
    socket = new WebSocket(scheme + location.host + '/api/live');
    socket.addEventListener('open', () => {
        socketOpen = true;
        tries = 0;
        showLine();
    });
    socket.addEventListener('message', (e) => {
        let m;
        try {
            m = JSON.parse(e.data);
        } catch {
            return;
        }
        const handler = handlers[m.type];
        if (handler)
            handler(m);
    });
    socket.addEventListener('close', () => {
        socketOpen = false;
        endHold(false);
        showLine();
        const wait = kReconnectMs[Math.min(tries++, kReconnectMs.length - 1)];
        setTimeout(reconnect, wait);
    });
}

async function reconnect() {
    const response = await fetch('/api/state', {cache: 'no-store'}).catch(() => null);
    if (!(await sessionEnded(response)))
        connect();
}

async function start() {
    document.addEventListener('visibilitychange', () => {
        if (document.hidden)
            endHold();
    });
    window.addEventListener('blur', () => endHold());
    window.addEventListener('pagehide', () => endHold());
    const response = await fetch('/api/commands', {cache: 'no-store'}).catch(() => null);
    if (await sessionEnded(response))
        return;
    if (!response || !response.ok) {
        showMessage('The bridge did not give its commands; reload the page to try again.');
        return;
    }
    buildPanel(await response.json());
    connect();
}

start();
