// chromium.mjs: the browser adapter for Chromium (browser.mjs): headless,
// WebGL 2 on its software renderer (SwiftShader), driven over the DevTools
// protocol on a pipe, messages ending in a NUL byte (fds 3 in, 4 out).
import { endProcess, makeFolder, removeFolder, startProcess, within } from "./processes.mjs";

const keys = { Escape: { key: "Escape", code: "Escape", windowsVirtualKeyCode: 27 },
  Enter: { key: "Enter", code: "Enter", windowsVirtualKeyCode: 13, text: "\r" } };

// options.sound: with its sound on (muted otherwise), to the sound server
// that options.env names.
export async function launch(options = {}) {
  const profile = makeFolder("kvistra-chromium-");
  const browser = startProcess("chromium", ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader", "--disable-gpu-sandbox", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--disable-quic", ...(options.sound ? [] : ["--mute-audio"]),
    "--autoplay-policy=no-user-gesture-required", "--remote-debugging-pipe", `--user-data-dir=${profile}`,
    "about:blank"], { stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"], env: { ...process.env, ...options.env } });
  const pending = new Map();
  let nextId = 1, buffered = "";
  browser.stdio[4].on("data", (chunk) => {
    buffered += chunk.toString();
    let end;
    while ((end = buffered.indexOf("\0")) >= 0) {
      const message = JSON.parse(buffered.slice(0, end));
      buffered = buffered.slice(end + 1);
      const waiting = pending.get(message.id);
      if (!waiting) continue;
      pending.delete(message.id);
      message.error ? waiting.reject(new Error(`chromium: ${JSON.stringify(message.error)}`)) : waiting.resolve(message.result);
    }
  });
  browser.stdio[3].on("error", () => {});
  browser.exited.then(() => {
    for (const waiting of pending.values()) waiting.reject(new Error("chromium ended"));
    pending.clear();
  });
  const send = (method, params = {}, sessionId) => within(new Promise((resolve, reject) => {
    const id = nextId++;
    pending.set(id, { resolve, reject });
    browser.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + "\0");
  }), 60, `chromium ${method}`);

  let target = null, session = null;
  const driver = {
    name: "chromium",
    async open(url) {
      if (target) await send("Target.closeTarget", { targetId: target });
      ({ targetId: target } = await send("Target.createTarget", { url: "about:blank" }));
      ({ sessionId: session } = await send("Target.attachToTarget", { targetId: target, flatten: true }));
      await send("Page.navigate", { url }, session);
    },
    async read(expression) {
      const reply = await send("Runtime.evaluate", { expression, returnByValue: true }, session);
      if (reply.exceptionDetails) throw new Error(`chromium: ${reply.exceptionDetails.exception?.description}`);
      return reply.result.value;
    },
    async click(x, y) {
      for (const type of ["mousePressed", "mouseReleased"])
        await send("Input.dispatchMouseEvent", { type, x, y, button: "left", clickCount: 1 }, session);
    },
    async touch(x, y) {
      await send("Input.dispatchTouchEvent", { type: "touchStart", touchPoints: [{ x, y }] }, session);
      await send("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [] }, session);
    },
    async pressKey(key) {
      for (const type of ["keyDown", "keyUp"]) {
        const { text, ...rest } = keys[key];
        await send("Input.dispatchKeyEvent", { type, ...rest, ...(type === "keyDown" && text ? { text } : {}) }, session);
      }
    },
    async close() {
      await send("Browser.close").catch(() => {});
      await endProcess(browser, 10);
      removeFolder(profile);
    },
  };
  try {
    await send("Browser.getVersion");
  } catch (error) {
    await driver.close();
    throw error;
  }
  return driver;
}
