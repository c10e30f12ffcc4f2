// The status page: follows the bridge over its WebSocket and, where the
// bridge allows it, runs a lamp test. Whatever came from the network goes
// into the page as textContent only: labels and log lines are whatever a
// switcher operator or a TSL sender typed.
"use strict";

(function () {
  const TEXT = {
    en: {
      live: "live",
      disconnected: "disconnected",
      lamps: "Lamps",
      program: "program",
      preview: "preview",
      both: "program + preview",
      off: "off",
      test: "test",
      screen: "screen",
      inputs: "Inputs",
      id: "Input",
      endpoint: "Endpoint",
      state: "State",
      lastHeard: "Last heard",
      messages: "Messages",
      malformed: "Malformed",
      senders: "Senders",
      states: { listening: "listening", connected: "connected", lost: "lost", retrying: "retrying" },
      never: "never",
      onBus: (bus, inputs) => bus + ": " + inputs,
      seconds_: (s) => s + " s",
      minutes_: (m, s) => m + " min " + s + " s",
      hours_: (h, m) => h + " h " + m + " min",
      ago: (d) => d + " ago",
      line: "Unit line",
      device: "Device",
      lineOpen: "open",
      lineLost: "lost",
      pairsWritten: "Pairs written",
      losses: "Losses",
      lastPair: "Last pair",
      none: "none",
      frames: "Frames written (newest first)",
      again: "again",
      log: "Log (newest first)",
      lampTest: "Lamp test",
      input: "Input",
      bus: "Bus",
      seconds: "Seconds",
      start: "Start",
      stop: "Stop",
      testRunning: (input, bus, left) => "Lamp test: input " + input + " on " + bus + ", " + left + " left",
      testStarted: (input, bus) => "Input " + input + " lit on " + bus + ".",
      testStopped: "Lamp test ended.",
      tokenPrompt: "Control token of this bridge (kept until this tab is closed):",
      noToken: "No token given: nothing was sent.",
      tokenRefused: (why) => "The token was refused (401" + (why ? ": " + why : "") + "). It is forgotten: the next try asks again.",
      refused: (status, why) => "The bridge refused (" + status + (why ? ": " + why : "") + ").",
      unreachable: "The bridge did not answer.",
      badForm: "Input 1 to 48, seconds 1 to 60.",
    },
    zh: {
      live: "已连接",
      disconnected: "已断开",
      lamps: "提示灯",
      program: "节目",
      preview: "预监",
      both: "节目 + 预监",
      off: "灭",
      test: "测试",
      screen: "屏",
      inputs: "输入",
      id: "输入",
      endpoint: "地址",
      state: "状态",
      lastHeard: "最后收到",
      messages: "消息数",
      malformed: "错误消息",
      senders: "发送端",
      states: { listening: "监听中", connected: "已连接", lost: "已丢失", retrying: "重试中" },
      never: "从未",
      onBus: (bus, inputs) => bus + "：" + inputs,
      seconds_: (s) => s + " 秒",
      minutes_: (m, s) => m + " 分 " + s + " 秒",
      hours_: (h, m) => h + " 小时 " + m + " 分",
      ago: (d) => d + "前",
      line: "单元线路",
      device: "设备",
      lineOpen: "已打开",
      lineLost: "已丢失",
      pairsWritten: "已发送帧对",
      losses: "丢失次数",
      lastPair: "最后一对",
      none: "无",
      frames: "已发送的帧（最新在上）",
      again: "重发",
      log: "日志（最新在上）",
      lampTest: "灯测试",
      input: "输入",
      bus: "母线",
      seconds: "秒数",
      start: "开始",
      stop: "停止",
      testRunning: (input, bus, left) => "灯测试：输入 " + input + " " + bus + "，剩余 " + left,
      testStarted: (input, bus) => "输入 " + input + " 已点亮" + bus + "。",
      testStopped: "灯测试已结束。",
      tokenPrompt: "本桥接器的控制令牌（关闭此标签页前保留）：",
      noToken: "未输入令牌，未发送。",
      tokenRefused: (why) => "令牌被拒绝（401" + (why ? "：" + why : "") + "），已清除，下次会重新询问。",
      refused: (status, why) => "桥接器拒绝了请求（" + status + (why ? "：" + why : "") + "）。",
      unreachable: "桥接器无应答。",
      badForm: "输入为 1 到 48，秒数为 1 到 60。",
    },
  };
  const t = (document.documentElement.lang || "").toLowerCase().startsWith("zh") ? TEXT.zh : TEXT.en;

  const LAMPS = 48;
  const FRAMES_KEPT = 200;
  const LOG_KEPT = 100;
  const RECONNECT_MS = 1000;
  const TOKEN_KEY = "tally-bridge.token";

  const $ = (id) => document.getElementById(id);

  // el("td", {class: "num"}, "12"): an element, its attributes and text.
  function el(tag, attrs, text) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, v);
    if (text !== undefined && text !== null) e.textContent = String(text);
    return e;
  }

  const pad = (n, w) => String(n).padStart(w || 2, "0");
  function clock(iso) {
    const d = new Date(iso);
    if (isNaN(d)) return "";
    return pad(d.getHours()) + ":" + pad(d.getMinutes()) + ":" + pad(d.getSeconds()) + "." + pad(d.getMilliseconds(), 3);
  }
  function duration(s) {
    if (s < 10) return t.seconds_(s.toFixed(1));
    if (s < 60) return t.seconds_(Math.floor(s));
    if (s < 3600) return t.minutes_(Math.floor(s / 60), pad(Math.floor(s % 60)));
    return t.hours_(Math.floor(s / 3600), pad(Math.floor((s % 3600) / 60)));
  }
  const busName = (bus) => (Object.prototype.hasOwnProperty.call(t, bus) && typeof t[bus] === "string" ? t[bus] : String(bus));
  const list = (inputs) => (inputs && inputs.length ? inputs.join(", ") : t.none);

  for (const e of document.querySelectorAll("[data-text]")) e.textContent = t[e.dataset.text];

  // The 48 lamps exist from the start, off, so that the grid does not jump
  // when the first state arrives and scripts always find all of them.
  const lampEls = [];
  for (let n = 1; n <= LAMPS; n++) {
    const lamp = el("div", { class: "lamp", "data-input": n, "data-bus": "off" });
    lamp.append(el("span", { class: "lamp-number" }, n), el("span", { class: "lamp-test" }, t.test),
                el("span", { class: "lamp-label" }), el("span", { class: "lamp-sources" }));
    $("lamps").append(lamp);
    lampEls[n] = lamp;
  }

  function sourceText(s) {
    let text = s.input + " " + s.source;
    if (s.screen !== undefined && s.screen !== null) text += " (" + t.screen + " " + s.screen + ")";
    if (s.text) text += " " + s.text;
    return text;
  }

  function showLamp(l) {
    const lamp = lampEls[l.input];
    if (!lamp) return;
    const bus = l.program && l.preview ? "both" : l.program ? "program" : l.preview ? "preview" : "off";
    lamp.dataset.bus = bus;
    lamp.dataset.test = l.test ? "true" : "false";
    const sources = (l.sources || []).map(sourceText);
    lamp.title = [l.input + (l.label ? " " + l.label : "") + ": " + busName(bus) + (l.test ? " (" + t.test + ")" : "")]
      .concat(sources).join("\n");
    lamp.querySelector(".lamp-label").textContent = l.label || "";
    lamp.querySelector(".lamp-sources").replaceChildren(...sources.map((s) => el("span", {}, s)));
  }

  // Last heard ticks here between messages: display only, the bridge is
  // not asked again.
  let heard = []; // {cell, seconds, at}
  function showHeard() {
    const now = performance.now();
    for (const h of heard)
      h.cell.textContent = h.seconds === null ? t.never : t.ago(duration(h.seconds + (now - h.at) / 1000));
  }

  function showInputs(inputs) {
    const body = $("inputs").tBodies[0];
    const at = performance.now();
    heard = [];
    body.replaceChildren(...inputs.map((i) => {
      const row = el("tr", { "data-id": i.id, "data-state": i.state });
      const cell = (key, text, cls) => {
        const td = el("td", { "data-label": t[key] }, text);
        if (cls) td.className = cls;
        row.append(td);
        return td;
      };
      cell("id", i.id, "id");
      cell("endpoint", i.endpoint, "endpoint");
      cell("state", t.states[i.state] || i.state, "state");
      const last = cell("lastHeard", "", "num");
      heard.push({ cell: last, seconds: typeof i.last_heard_s === "number" ? i.last_heard_s : null, at });
      cell("messages", i.messages, "num");
      cell("malformed", i.malformed, i.malformed ? "num bad" : "num");
      cell("senders", i.senders === null || i.senders === undefined ? "–" : i.senders, "num");
      return row;
    }));
    showHeard();
  }

  function showLine(line) {
    const facts = [
      [t.device, line.device],
      [t.state, line.open ? t.lineOpen : t.lineLost, line.open ? "ok" : "bad"],
      [t.pairsWritten, line.pairs_written],
      [t.losses, line.losses],
    ];
    const p = line.last_pair;
    if (p) {
      facts.push([t.lastPair, clock(p.at)]);
      facts.push([t.program, list(p.program), "sub program"]);
      facts.push([t.preview, list(p.preview), "sub preview"]);
    } else {
      facts.push([t.lastPair, t.none]);
    }
    const attrs = (cls) => (cls ? { class: cls } : {});
    $("line").replaceChildren(...facts.flatMap(([k, v, cls]) => [el("dt", attrs(cls), k), el("dd", attrs(cls), v)]));
  }

  // Frames and log lines arrive oldest first; the lists show the newest on
  // top and keep as many as the bridge does.
  function prepend(listEl, items, kept, make) {
    for (const item of items) listEl.prepend(make(item));
    while (listEl.children.length > kept) listEl.lastElementChild.remove();
  }
  function frameEntry(f) {
    const li = el("li", f.again ? { class: "again" } : {});
    li.append(el("time", {}, clock(f.at)), el("code", {}, f.frame),
              el("span", { class: "meaning " + (f.bus || "") }, t.onBus(busName(f.bus), list(f.inputs))));
    if (f.again) li.append(el("span", { class: "tag" }, t.again));
    return li;
  }
  function logEntry(l) {
    const li = el("li");
    li.append(el("time", {}, clock(l.at)), el("span", {}, l.text));
    return li;
  }

  // The running test counts down here too, display only.
  let test = null; // {input, bus, left_s, at}
  function showTest() {
    const status = $("test-status");
    if (!test) {
      status.hidden = true;
      status.textContent = "";
      return;
    }
    const left = Math.max(0, test.left_s - (performance.now() - test.at) / 1000);
    status.textContent = t.testRunning(test.input, busName(test.bus), t.seconds_(Math.ceil(left)));
    status.hidden = false;
  }
  function setTest(value) {
    test = value ? Object.assign({ at: performance.now() }, value) : null;
    showTest();
  }

  function apply(msg, whole) {
    if (msg.bridge) {
      $("version").textContent = msg.bridge.version ? "v" + msg.bridge.version : "";
      $("test-panel").hidden = !msg.bridge.control;
    }
    if (msg.lamps) msg.lamps.forEach(showLamp);
    if (msg.inputs) showInputs(msg.inputs);
    if (msg.line) showLine(msg.line);
    if (msg.frames) {
      if (whole) $("frames").replaceChildren();
      prepend($("frames"), msg.frames, FRAMES_KEPT, frameEntry);
    }
    if (msg.log) {
      if (whole) $("log").replaceChildren();
      prepend($("log"), msg.log, LOG_KEPT, logEntry);
    }
    if ("test" in msg) setTest(msg.test);
  }

  function setConnection(live) {
    const c = $("connection");
    c.dataset.connection = live ? "live" : "disconnected";
    c.textContent = live ? t.live : t.disconnected;
    // What is shown while disconnected is the last known state, not now's.
    $("panels").classList.toggle("stale", !live);
  }

  function connect() {
    const ws = new WebSocket((location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/ws");
    let closed = false;
    ws.onmessage = (ev) => {
      let msg;
      try {
        msg = JSON.parse(ev.data);
      } catch (e) {
        return;
      }
      if (msg.type === "state") {
        apply(msg, true);
        setConnection(true);
      } else if (msg.type === "update") {
        apply(msg, false);
      }
    };
    // An error is followed by close; close alone decides the retry, once.
    ws.onerror = () => ws.close();
    ws.onclose = () => {
      if (closed) return;
      closed = true;
      setConnection(false);
      setTimeout(connect, RECONNECT_MS);
    };
  }

  // The lamp test. The token is asked once and kept for this tab only.
  const say = (text, ok) => {
    const m = $("test-message");
    m.textContent = text;
    m.dataset.result = ok ? "ok" : "error";
  };
  async function control(method, body) {
    let token = sessionStorage.getItem(TOKEN_KEY);
    if (!token) {
      token = (window.prompt(t.tokenPrompt) || "").trim();
      if (!token) {
        say(t.noToken, false);
        return null;
      }
      sessionStorage.setItem(TOKEN_KEY, token);
    }
    let reply;
    try {
      reply = await fetch("/api/test", {
        method,
        headers: Object.assign({ Authorization: "Bearer " + token }, body ? { "Content-Type": "application/json" } : {}),
        body: body ? JSON.stringify(body) : undefined,
      });
    } catch (e) {
      say(t.unreachable, false);
      return null;
    }
    let json = null;
    try {
      json = await reply.json();
    } catch (e) {
      // Not every refusal need carry JSON; the status still says why.
    }
    const why = json && typeof json.error === "string" ? json.error : "";
    if (reply.status === 401) {
      sessionStorage.removeItem(TOKEN_KEY);
      say(t.tokenRefused(why), false);
      return null;
    }
    if (!reply.ok) {
      say(t.refused(reply.status, why), false);
      return null;
    }
    return json || {};
  }

  $("test-form").addEventListener("submit", async (ev) => {
    ev.preventDefault();
    const input = Number($("test-input").value);
    const seconds = Number($("test-seconds").value);
    const bus = $("test-bus").value;
    if (!Number.isInteger(input) || input < 1 || input > LAMPS || !Number.isInteger(seconds) || seconds < 1 || seconds > 60) {
      say(t.badForm, false);
      return;
    }
    const reply = await control("POST", { input, bus, seconds });
    if (reply) {
      say(t.testStarted(input, busName(bus)), true);
      if ("test" in reply) setTest(reply.test);
    }
  });
  $("test-stop").addEventListener("click", async () => {
    const reply = await control("DELETE");
    if (reply) {
      say(t.testStopped, true);
      setTest(null);
    }
  });

  setInterval(() => {
    showHeard();
    showTest();
  }, 1000);
  setConnection(false);
  connect();
})();
