// firefox.mjs: the browser adapter for Firefox ESR (browser.mjs), driven
// over WebDriver BiDi on its remote port (Node's WebSocket client: node
// --experimental-websocket on Node 20). Headless Firefox gives no WebGL 2
// on this software renderer, so it runs on a virtual X server of its own.
// The fresh profile keeps it off the network: no updates, telemetry,
// captive portal or connectivity checks, safe browsing lists or add-on
// lookups.
import fs from "node:fs";
import path from "node:path";
import { endProcess, makeFolder, removeFolder, startProcess, startXvfb, within } from "./processes.mjs";
import { keyPress, tapAt } from "./webdriver_actions.mjs";

const prefs = {
  "app.update.disabledForTesting": true,
  "app.update.auto": false,
  "browser.shell.checkDefaultBrowser": false,
  "browser.startup.page": 0,
  "browser.startup.homepage": "about:blank",
  "browser.newtabpage.enabled": false,
  "browser.aboutwelcome.enabled": false,
  "browser.safebrowsing.malware.enabled": false,
  "browser.safebrowsing.phishing.enabled": false,
  "browser.safebrowsing.downloads.enabled": false,
  "browser.safebrowsing.blockedURIs.enabled": false,
  "browser.safebrowsing.provider.mozilla.updateURL": "",
  "browser.region.network.url": "",
  "browser.search.update": false,
  "datareporting.policy.dataSubmissionEnabled": false,
  "datareporting.healthreport.uploadEnabled": false,
  "toolkit.telemetry.enabled": false,
  "toolkit.telemetry.unified": false,
  "toolkit.telemetry.server": "",
  "network.captive-portal-service.enabled": false,
  "network.connectivity-service.enabled": false,
  "network.dns.disablePrefetch": true,
  "network.prefetch-next": false,
  "extensions.update.enabled": false,
  "extensions.getAddons.cache.enabled": false,
  "extensions.systemAddon.update.enabled": false,
  "services.settings.server": "",
  "app.normandy.enabled": false,
  "messaging-system.rsexperimentloader.enabled": false,
  "media.gmp-manager.url": "",
  "media.gmp-gmpopenh264.enabled": false,
  // performance.now() to the microsecond, not the millisecond, for the
  // page's frame log.
  "privacy.reduceTimerPrecision": false,
  // The page's full screen at once, without the notice and its animation.
  "full-screen-api.warning.timeout": 0,
  "full-screen-api.transition-duration.enter": "0 0",
  "full-screen-api.transition-duration.leave": "0 0",
};


// Without a sound server Firefox opens no audio output, and its audio
// clock stands still: options.audioClock puts in its stand-in output, whose
// clock runs in real time.
export async function launch(options = {}) {
  if (typeof WebSocket === "undefined") throw new Error("firefox: run node with --experimental-websocket");
  const profile = makeFolder("kvistra-firefox-");
  const chosen = { ...prefs, ...(options.audioClock ? { "media.cubeb.force_mock_context": true } : {}) };
  fs.writeFileSync(path.join(profile, "user.js"), Object.entries(chosen)
    .map(([name, value]) => `user_pref(${JSON.stringify(name)}, ${JSON.stringify(value)});\n`).join(""));
  let x = null, browser = null, socket = null;
  const close = async () => {
    if (socket && socket.readyState === WebSocket.OPEN) {
      socket.send(JSON.stringify({ id: 0, method: "browser.close", params: {} }));
    }
    await endProcess(browser, 10);
    await endProcess(x?.server);
    removeFolder(profile);
  };
  try {
    x = await startXvfb();
    const home = path.join(profile, "home");
    fs.mkdirSync(home);
    // Port 0: Firefox picks a free port and names it on its error output.
    browser = startProcess("firefox-esr", ["--remote-debugging-port=0", "--remote-allow-hosts=127.0.0.1",
      "-profile", profile, "-no-remote", "--new-instance", "about:blank"], {
      stdio: ["ignore", "ignore", "pipe"],
      env: { ...process.env, DISPLAY: x.display, HOME: home, XDG_CACHE_HOME: path.join(home, "cache"),
        MOZ_CRASHREPORTER_DISABLE: "1" },
    });
    let text = "";
    const address = await within(new Promise((resolve, reject) => {
      browser.stderr.on("data", (chunk) => {
        text += chunk;
        const found = /WebDriver BiDi listening on (ws:\/\/127\.0\.0\.1:\d+)/.exec(text);
        if (found) resolve(found[1]);
      });
      browser.exited.then((status) => reject(new Error(`firefox ended (${status}) before its remote port opened`)));
    }), 60, "firefox's remote port");
    browser.stderr.resume();

    socket = new WebSocket(`${address}/session`);
    const pending = new Map();
    let nextId = 1;
    socket.onmessage = (event) => {
      const message = JSON.parse(event.data);
      const waiting = pending.get(message.id);
      if (!waiting) return;
      pending.delete(message.id);
      message.type === "error" ? waiting.reject(new Error(`firefox: ${message.error}: ${message.message}`))
        : waiting.resolve(message.result);
    };
    socket.onclose = () => {
      for (const waiting of pending.values()) waiting.reject(new Error("firefox: the BiDi connection closed"));
      pending.clear();
    };
    await within(new Promise((resolve, reject) => {
      socket.onopen = resolve;
      socket.onerror = () => reject(new Error("firefox: no BiDi connection"));
    }), 30, "firefox's BiDi connection");
    const send = (method, params = {}) => within(new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, { resolve, reject });
      socket.send(JSON.stringify({ id, method, params }));
    }), 60, `firefox ${method}`);

    await send("session.new", { capabilities: {} });
    const { contexts } = await send("browsingContext.getTree", {});
    let context = contexts[0].context;
    const perform = (source) => send("input.performActions", { context, actions: [source] });
    return {
      name: "firefox",
      async open(url) {
        const previous = context;
        ({ context } = await send("browsingContext.create", { type: "tab" }));
        await send("browsingContext.close", { context: previous });
        await send("browsingContext.navigate", { context, url, wait: "complete" });
      },
      async read(expression) {
        const reply = await send("script.evaluate", { expression, target: { context }, awaitPromise: false });
        if (reply.type === "exception") throw new Error(`firefox: ${reply.exceptionDetails.text}`);
        return reply.result.value;
      },
      async click(x, y) {
        await perform(tapAt("mouse", x, y));
      },
      async touch(x, y) {
        await perform(tapAt("touch", x, y));
      },
      async pressKey(key) {
        await perform(keyPress(key));
      },
      close,
    };
  } catch (error) {
    await close();
    throw error;
  }
}
