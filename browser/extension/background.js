"use strict";

// Tells the Norvane app on this computer which page the browser shows: the
// address of the active tab in the focused window, each time it changes.
// Reports go to the native-messaging host over one long-lived port, and
// nowhere else. The host asks for the current page with {"type":"query"}
// whenever the app (re)connects.
//
// Messages to the host:
//   {"type":"page", "windowId": n, "url": "..."}   active tab of the focused window ("" while it has none)
//   {"type":"unfocused"}                            no window of this browser that we can see has focus
//   {"type":"windowClosed", "windowId": n}

const api = globalThis.browser ?? globalThis.chrome;
const HOST = "app.norvane.bridge";
const MAX_URL_LENGTH = 8192; // keeps every message far below the host's cap
const FIRST_RETRY_MS = 1000;
const MAX_RETRY_MS = 60000;
const STABLE_MS = 10000; // a port that stayed up this long resets the back-off

let port = null;
let connectedAt = 0;
let retryMs = FIRST_RETRY_MS;
let retryTimer = null;
let lastSent = ""; // the last report the host got, to skip repeats
let queue = Promise.resolve(); // reports go out in the order of the events

function connect() {
  if (port !== null || retryTimer !== null) {
    return;
  }
  let p;
  try {
    p = api.runtime.connectNative(HOST);
  } catch (e) {
    scheduleRetry();
    return;
  }
  port = p;
  connectedAt = Date.now();
  lastSent = "";
  p.onMessage.addListener((message) => {
    retryMs = FIRST_RETRY_MS;
    if (message && message.type === "query") {
      lastSent = "";
      update();
    }
  });
  p.onDisconnect.addListener(() => {
    void api.runtime.lastError; // read, so that it is not reported as unchecked
    if (port !== p) {
      return;
    }
    port = null;
    if (Date.now() - connectedAt >= STABLE_MS) {
      retryMs = FIRST_RETRY_MS;
    }
    scheduleRetry();
  });
  update();
}

function scheduleRetry() {
  if (retryTimer !== null) {
    return;
  }
  retryTimer = setTimeout(() => {
    retryTimer = null;
    connect();
  }, retryMs);
  retryMs = Math.min(retryMs * 2, MAX_RETRY_MS);
}

function post(message) {
  if (port === null) {
    connect();
    return false;
  }
  try {
    port.postMessage(message);
    return true;
  } catch (e) {
    port = null;
    scheduleRetry();
    return false;
  }
}

function enqueue(step) {
  queue = queue.then(step).catch(() => {});
}

async function sendCurrentPage() {
  const [tab] = await api.tabs.query({ active: true, lastFocusedWindow: true });
  if (!tab) {
    return;
  }
  // A new tab has no address until it commits; the update that follows
  // brings it.
  let url = tab.url || tab.pendingUrl || "";
  if (url.length > MAX_URL_LENGTH) {
    url = url.slice(0, MAX_URL_LENGTH);
  }
  const key = "page " + tab.windowId + " " + url;
  if (key !== lastSent && post({ type: "page", windowId: tab.windowId, url })) {
    lastSent = key;
  }
}

function update() {
  enqueue(sendCurrentPage);
}

api.tabs.onActivated.addListener(update);
api.tabs.onReplaced.addListener(update);
api.tabs.onUpdated.addListener((tabId, change, tab) => {
  if (tab.active && (change.url !== undefined || change.status === "complete")) {
    update();
  }
});
api.windows.onFocusChanged.addListener((windowId) => {
  if (windowId !== api.windows.WINDOW_ID_NONE) {
    update();
    return;
  }
  enqueue(() => {
    if (lastSent !== "unfocused" && post({ type: "unfocused" })) {
      lastSent = "unfocused";
    }
  });
});
api.windows.onRemoved.addListener((windowId) => {
  enqueue(() => {
    post({ type: "windowClosed", windowId });
  });
  update();
});

connect();
