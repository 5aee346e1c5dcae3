'use strict';
// The handheld in a browser: the desk list, the desk's screen and the
// handheld's buttons, over one WebSocket to the gateway. Every text from the
// network is shown as plain text (textContent), never as markup.
(() => {
  const W = 240;
  const H = 268;
  const $ = (id) => document.getElementById(id);

  // ---- wire: browser to gateway (binary, little-endian) ----
  const Kind = {
    pointer: 1, character: 2, key: 3, button: 4, step: 5, refresh: 6, connect: 7,
    disconnect: 8, cancelConnect: 9, stopWaiting: 10, ack: 11, wholeScreen: 12,
  };
  const Pointer = { move: 1, press: 2, release: 3 };
  const Press = { down: 1, up: 2 };
  const NamedKeys = {
    Backspace: 1, Enter: 2, Tab: 3, Escape: 4, Esc: 4,
    ArrowLeft: 5, Left: 5, ArrowUp: 6, Up: 6, ArrowRight: 7, Right: 7,
    ArrowDown: 8, Down: 8, Delete: 9, Del: 9,
  };

  let socket = null;

  function message(kind, length) {
    const buffer = new ArrayBuffer(length);
    const view = new DataView(buffer);
    view.setUint8(0, kind);
    return [buffer, view];
  }
  function send(buffer) {
    if (socket && socket.readyState === WebSocket.OPEN) socket.send(buffer);
  }
  function sendSimple(kind) { send(message(kind, 1)[0]); }
  function sendPointer(action, point) {
    const [b, v] = message(Kind.pointer, 6);
    v.setUint8(1, action);
    v.setUint16(2, point.x, true);
    v.setUint16(4, point.y, true);
    send(b);
  }
  function sendCharacter(unit) {
    const [b, v] = message(Kind.character, 3);
    v.setUint16(1, unit, true);
    send(b);
  }
  function sendByte(kind, value) {
    const [b, v] = message(kind, 2);
    v.setUint8(1, value);
    send(b);
  }
  function sendButton(index, action) {
    const [b, v] = message(Kind.button, 3);
    v.setUint8(1, index);
    v.setUint8(2, action);
    send(b);
  }
  function sendConnect(address) {
    const octets = address.split('.').map(Number);
    if (octets.length !== 4) return;
    const [b, v] = message(Kind.connect, 5);
    octets.forEach((octet, i) => v.setUint8(1 + i, octet));
    send(b);
  }
  function sendAck(sequence) {
    const [b, v] = message(Kind.ack, 5);
    v.setUint32(1, sequence, true);
    send(b);
  }

  // ---- the screen ----
  const canvas = $('screen');
  const context = canvas.getContext('2d', { alpha: false });
  const image = context.createImageData(W, H);
  const pixels = new Uint32Array(image.data.buffer);
  const littleEndian = new Uint8Array(new Uint16Array([1]).buffer)[0] === 1;
  // RGB565 to the canvas's RGBA bytes, by bit replication (white stays white).
  const palette = new Uint32Array(65536);
  for (let p = 0; p < 65536; p++) {
    const r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    const R = (r << 3) | (r >> 2), G = (g << 2) | (g >> 4), B = (b << 3) | (b >> 2);
    palette[p] = littleEndian ? (0xff000000 | (B << 16) | (G << 8) | R) >>> 0
                              : ((R << 24) | (G << 16) | (B << 8) | 0xff) >>> 0;
  }
  pixels.fill(palette[0]);
  context.putImageData(image, 0, 0);

  // Draws the changed rows of a screen update, then acknowledges it.
  function drawUpdate(buffer) {
    const view = new DataView(buffer);
    if (buffer.byteLength < 8 || view.getUint8(0) !== 1) return;
    const sequence = view.getUint32(2, true);
    const ranges = view.getUint16(6, true);
    let at = 8, top = H, bottom = -1, intact = true;
    for (let i = 0; i < ranges && intact; i++) {
      const first = at + 4 <= buffer.byteLength ? view.getUint16(at, true) : H;
      const count = at + 4 <= buffer.byteLength ? view.getUint16(at + 2, true) : 0;
      const n = count * W;
      at += 4;
      intact = count > 0 && first + count <= H && at + 2 * n <= buffer.byteLength;
      if (!intact) break;
      const base = first * W;
      if (littleEndian) {
        const words = new Uint16Array(buffer, at, n);
        for (let k = 0; k < n; k++) pixels[base + k] = palette[words[k]];
      } else {
        for (let k = 0; k < n; k++) pixels[base + k] = palette[view.getUint16(at + 2 * k, true)];
      }
      at += 2 * n;
      top = Math.min(top, first);
      bottom = Math.max(bottom, first + count - 1);
    }
    if (bottom >= top) context.putImageData(image, 0, 0, 0, top, W, bottom - top + 1);
    sendAck(sequence);
    if (!intact) sendSimple(Kind.wholeScreen);
  }

  // The largest whole zoom in device pixels that fits, so every desk pixel
  // is exactly zoom x zoom device pixels.
  function layout() {
    const viewport = window.visualViewport;
    const vw = viewport ? viewport.width : window.innerWidth;
    const vh = viewport ? viewport.height : window.innerHeight;
    const landscape = vw > vh * 1.05;
    document.body.classList.toggle('landscape', landscape);
    const controls = $('controls').getBoundingClientRect();
    const bar = $('remote-bar').getBoundingClientRect();
    const availableW = (landscape ? vw - controls.width : vw) - 8;
    const availableH = (landscape ? vh : vh - controls.height - bar.height) - 12;
    const ratio = window.devicePixelRatio || 1;
    const zoom = Math.max(1, Math.floor(Math.min(availableW * ratio / W, availableH * ratio / H)));
    canvas.style.width = (W * zoom / ratio) + 'px';
    canvas.style.height = (H * zoom / ratio) + 'px';
  }
  window.addEventListener('resize', layout);
  if (window.visualViewport) window.visualViewport.addEventListener('resize', layout);

  // ---- state from the gateway ----
  let hold = { hardware: 400, software: 400 };
  let session = { desk: '', connecting: '', lost: '', ready: false, mode: 0 };
  let desks = [];
  let wantList = false;

  function showView() {
    const remote = (session.desk !== '' || session.lost !== '') && !wantList;
    $('remote').hidden = !remote;
    $('desks').hidden = remote;
    document.body.classList.toggle('remote', remote);
    $('connecting').hidden = session.connecting === '';
    $('connecting-text').textContent = 'Connecting to ' + session.connecting + '\u2026';
    $('back-to-desk').hidden = remote || session.desk === '';
    showRemoteDesk();
    if (remote) layout();
    else if (document.activeElement === keys) keys.blur();
    showLost();
  }

  // Which desk the screen belongs to, as plain text.
  function showRemoteDesk() {
    const address = session.desk || session.lost;
    const desk = desks.find((d) => d.address === address);
    $('remote-desk').textContent = desk && desk.name !== '' ? address + ' \u00b7 ' + desk.name
                                                            : address;
  }

  function deskButton(desk) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'desk' + (desk.address === session.desk ? ' connected' : '');
    button.dataset.address = desk.address;
    const part = (cls, text) => {
      const span = document.createElement('span');
      span.className = cls;
      span.textContent = text;
      button.append(span);
    };
    part('address', desk.address);
    if (desk.name !== '') part('name', desk.name);
    part('kind', desk.deskType + (desk.emulation ? ' Emu' : '') + ' \u00b7 ' + desk.version);
    part('mark', desk.address === session.desk ? 'connected' : desk.connected ? 'registered' : '');
    button.addEventListener('click', () => {
      if (desk.address === session.desk) {
        wantList = false;
        showView();
      } else {
        sendConnect(desk.address);
      }
    });
    return button;
  }

  function showDesks() {
    const list = $('desk-list');
    list.replaceChildren(...desks.map((desk) => {
      const item = document.createElement('li');
      item.append(deskButton(desk));
      return item;
    }));
    $('no-desks').hidden = desks.length > 0;
  }

  // ---- banners: shown, never blocking ----
  const banners = $('banners');

  // The text beside its dismiss button; actions, if any, on a row below.
  // A kept banner stays until the page removes it: only its actions end it.
  function banner(text, severity, actions = [], keep = false) {
    const box = document.createElement('div');
    box.className = 'banner ' + severity;
    const paragraph = document.createElement('p');
    paragraph.textContent = text;
    const dismiss = document.createElement('button');
    dismiss.type = 'button';
    dismiss.className = 'dismiss';
    dismiss.setAttribute('aria-label', 'Dismiss');
    dismiss.textContent = '\u00d7';
    dismiss.hidden = keep;
    dismiss.addEventListener('click', () => box.remove());
    const row = document.createElement('div');
    row.className = 'actions';
    for (const [label, act] of actions) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = label;
      button.addEventListener('click', () => { box.remove(); act(); });
      row.append(button);
    }
    box.append(paragraph, dismiss, row);
    banners.append(box);
    // At most four; the awaited desk's banner is never the one to go.
    while (banners.children.length > 4) {
      [...banners.children].find((oldest) => oldest !== lostBox).remove();
    }
    if (!keep && severity === 'info') setTimeout(() => box.remove(), 8000);
    return box;
  }

  // The lost desk: the operator sees how long it has been awaited and may
  // give up.
  let lostBox = null;
  let lostTimer = 0;
  function elapsedText(seconds) {
    const two = (n) => String(n).padStart(2, '0');
    return Math.floor(seconds / 3600) + ':' + two(Math.floor(seconds / 60) % 60) + ':' +
           two(seconds % 60);
  }
  function showLost() {
    document.body.classList.toggle('lost', session.lost !== '');
    if (session.lost === '') {
      if (lostBox) lostBox.remove();
      lostBox = null;
      clearInterval(lostTimer);
      return;
    }
    if (lostBox && lostBox.dataset.desk === session.lost && lostBox.isConnected) return;
    if (lostBox) lostBox.remove();
    clearInterval(lostTimer);
    lostBox = banner('Lost connection to host ' + session.lost + '.\nTrying to reconnect',
                     'warning', [['Abort', () => sendSimple(Kind.stopWaiting)]], true);
    lostBox.dataset.desk = session.lost;
    const elapsed = document.createElement('span');
    elapsed.className = 'elapsed';
    elapsed.textContent = elapsedText(0);
    lostBox.querySelector('.actions').prepend(elapsed);
    let seconds = 0;
    lostTimer = setInterval(() => { elapsed.textContent = elapsedText(++seconds); }, 1000);
  }

  // ---- sounds ----
  let audio = null;
  function unlockAudio() {
    if (!audio && window.AudioContext) audio = new AudioContext();
    if (audio && audio.state === 'suspended') audio.resume();
  }
  function beep(sound) {
    if (navigator.vibrate) navigator.vibrate(sound === 3 ? 20 : 60);
    if (!audio || sound === 3) return;
    const tone = audio.createOscillator();
    const gain = audio.createGain();
    tone.frequency.value = [880, 660, 520][sound] || 520;
    gain.gain.value = 0.08;
    tone.connect(gain).connect(audio.destination);
    tone.start();
    tone.stop(audio.currentTime + 0.12);
  }

  function received(text) {
    let m;
    try { m = JSON.parse(text); } catch (e) { return; }
    switch (m.type) {
      case 'hello':
        hold = { hardware: m.hwBtnHold, software: m.swBtnHold };
        break;
      case 'desks':
        desks = m.desks;
        showDesks();
        showRemoteDesk();
        break;
      case 'session': {
        const deskChanged = m.desk !== session.desk;
        session = m;
        if (deskChanged) wantList = false;
        showDesks();
        showView();
        break;
      }
      case 'banner': {
        const actions = m.retry ? [['Try again', () => sendConnect(m.retry)]] : [];
        banner(m.text, m.severity, actions);
        break;
      }
      case 'beep':
        beep(m.sound);
        break;
    }
  }

  // ---- the link to the gateway ----
  const token = new URLSearchParams(location.search).get('token') || '';
  let retryDelay = 1000;

  function setOnline(online) {
    for (const pill of document.querySelectorAll('.gateway')) {
      pill.textContent = online ? 'online' : 'offline';
      pill.classList.toggle('online', online);
    }
  }

  function open() {
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    socket = new WebSocket(scheme + '//' + location.host + '/ws?token=' +
                           encodeURIComponent(token));
    socket.binaryType = 'arraybuffer';
    socket.addEventListener('open', () => {
      retryDelay = 1000;
      setOnline(true);
    });
    socket.addEventListener('message', (event) => {
      if (typeof event.data === 'string') received(event.data);
      else drawUpdate(event.data);
    });
    socket.addEventListener('close', (event) => {
      setOnline(false);
      socket = null;
      if (event.reason) banner(event.reason, 'error');
      session = { desk: '', connecting: '', lost: '', ready: false, mode: 0 };
      showView();
      // Refused (too many browsers, too many messages): not at once again.
      setTimeout(open, event.code === 1008 ? 10000 : retryDelay);
      retryDelay = Math.min(retryDelay * 2, 10000);
    });
  }

  // ---- pointer on the screen ----
  function deskPoint(event) {
    const rect = canvas.getBoundingClientRect();
    const clamp = (v, max) => Math.min(max - 1, Math.max(0, Math.floor(v)));
    return {
      x: clamp((event.clientX - rect.left) * W / rect.width, W),
      y: clamp((event.clientY - rect.top) * H / rect.height, H),
    };
  }

  // The press turns long after the hold time: the element shows it.
  function holdCue(element, milliseconds) {
    element.classList.add('pressed');
    element.holdTimer = setTimeout(() => {
      element.classList.add('long');
      if (navigator.vibrate) navigator.vibrate(15);
    }, milliseconds + 1);
  }
  function endCue(element) {
    clearTimeout(element.holdTimer);
    element.classList.remove('pressed', 'long');
  }

  let activePointer = null;
  let pendingMove = null;
  let moveFrame = 0;
  function flushMove() {
    if (moveFrame) cancelAnimationFrame(moveFrame);
    moveFrame = 0;
    if (pendingMove) sendPointer(Pointer.move, pendingMove);
    pendingMove = null;
  }
  canvas.addEventListener('pointerdown', (event) => {
    if (activePointer !== null) return;
    event.preventDefault();
    unlockAudio();
    activePointer = event.pointerId;
    canvas.setPointerCapture(event.pointerId);
    flushMove();
    sendPointer(Pointer.press, deskPoint(event));
    holdCue(canvas, hold.software);
  });
  canvas.addEventListener('pointermove', (event) => {
    const mine = activePointer === event.pointerId;
    if (!mine && (activePointer !== null || event.pointerType !== 'mouse')) return;
    pendingMove = deskPoint(event);
    if (!moveFrame) moveFrame = requestAnimationFrame(flushMove);
  });
  const endPointer = (event) => {
    if (activePointer !== event.pointerId) return;
    activePointer = null;
    flushMove();
    sendPointer(Pointer.release, deskPoint(event));
    endCue(canvas);
  };
  canvas.addEventListener('pointerup', endPointer);
  canvas.addEventListener('pointercancel', endPointer);

  // ---- hardware buttons and encoder ----
  function pressable(element, down, up) {
    element.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      unlockAudio();
      element.setPointerCapture(event.pointerId);
      down();
    });
    const end = () => up();
    element.addEventListener('pointerup', end);
    element.addEventListener('pointercancel', end);
    element.addEventListener('contextmenu', (event) => event.preventDefault());
  }

  for (const element of document.querySelectorAll('[data-button]')) {
    const index = Number(element.dataset.button);
    let down = false;
    pressable(element, () => {
      down = true;
      sendButton(index, Press.down);
      holdCue(element, hold.hardware);
    }, () => {
      if (!down) return;
      down = false;
      sendButton(index, Press.up);
      endCue(element);
    });
  }

  // A held direction keeps stepping, as turning the encoder on would.
  for (const element of document.querySelectorAll('[data-step]')) {
    const direction = Number(element.dataset.step);
    let repeat = 0;
    const stop = () => {
      clearTimeout(repeat);
      repeat = 0;
      element.classList.remove('pressed');
    };
    const step = (wait) => {
      sendByte(Kind.step, direction);
      repeat = setTimeout(() => step(120), wait);
    };
    pressable(element, () => {
      element.classList.add('pressed');
      step(450);
    }, stop);
  }

  $('refresh').addEventListener('click', () => sendSimple(Kind.refresh));
  $('disconnect').addEventListener('click', () => sendSimple(Kind.disconnect));
  $('cancel-connect').addEventListener('click', () => sendSimple(Kind.cancelConnect));
  $('show-desks').addEventListener('click', () => { wantList = true; showView(); });
  $('back-to-desk').addEventListener('click', () => { wantList = false; showView(); });

  // ---- keys: the phone's keyboard types into a hidden field ----
  const keys = $('keys');
  // A few blanks before the caret, so Backspace always has something to
  // delete and shows up as a change.
  const SENTINEL = '    ';
  let lastValue = SENTINEL;
  let composing = false;

  function resetKeys() {
    keys.value = SENTINEL;
    lastValue = SENTINEL;
    keys.setSelectionRange(SENTINEL.length, SENTINEL.length);
  }
  function typeText(text) {
    for (const character of text) {
      if (character === '\n' || character === '\r') {
        sendByte(Kind.key, NamedKeys.Enter);
        continue;
      }
      for (let i = 0; i < character.length; i++) sendCharacter(character.charCodeAt(i));
    }
  }
  function takeTyping() {
    const now = keys.value;
    let common = 0;
    while (common < now.length && common < lastValue.length && now[common] === lastValue[common]) {
      common++;
    }
    for (let i = common; i < lastValue.length; i++) sendByte(Kind.key, NamedKeys.Backspace);
    typeText(now.slice(common));
    lastValue = now;
    if (!composing) resetKeys();
  }
  keys.addEventListener('compositionstart', () => { composing = true; });
  keys.addEventListener('compositionend', () => { composing = false; takeTyping(); });
  keys.addEventListener('input', takeTyping);
  keys.addEventListener('keydown', (event) => {
    if (event.isComposing || event.keyCode === 229) return;
    const named = NamedKeys[event.key];
    if (named) {
      event.preventDefault();
      sendByte(Kind.key, named);
    }
  });
  keys.addEventListener('blur', () => $('keyboard').classList.remove('active'));
  $('keyboard').addEventListener('click', () => {
    if (document.activeElement === keys) {
      keys.blur();
      return;
    }
    resetKeys();
    keys.focus();
    $('keyboard').classList.add('active');
  });

  // A hardware keyboard types to the desk while its screen is shown.
  document.addEventListener('keydown', (event) => {
    if (event.target === keys || $('remote').hidden) return;
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    const named = NamedKeys[event.key];
    if (named) {
      event.preventDefault();
      sendByte(Kind.key, named);
    } else if (event.key.length === 1) {
      event.preventDefault();
      typeText(event.key);
    }
  });

  showDesks();
  showView();
  open();
})();
