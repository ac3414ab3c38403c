// webkit.mjs: the browser adapter for WebKitGTK (browser.mjs): its
// MiniBrowser in automation mode, driven over classic WebDriver through
// WebKitWebDriver on a free port of 127.0.0.1, both on a virtual X server
// of their own, with a home folder of their own.
import fs from "node:fs";
import net from "node:net";
import path from "node:path";
import { endProcess, makeFolder, removeFolder, startProcess, startXvfb, within } from "./processes.mjs";
import { keyPress, tapAt } from "./webdriver_actions.mjs";

const miniBrowser = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.on("error", reject);
    probe.listen(0, "127.0.0.1", () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

export async function launch() {
  const profile = makeFolder("kvistra-webkit-");
  let x = null, driverProcess = null, base = null, session = null;

  async function request(method, route, body) {
    const reply = await fetch(`${base}${route}`, { method, signal: AbortSignal.timeout(60000),
      headers: { "Content-Type": "application/json" }, body: body === undefined ? undefined : JSON.stringify(body) });
    const { value } = await reply.json();
    if (!reply.ok) throw new Error(`webkit: ${method} ${route.replace(/^\/session\/[^/]+/, "")}: ${value?.error}: ${value?.message}`);
    return value;
  }
  const command = (method, route, body) => request(method, `/session/${session}${route}`, body);
  const close = async () => {
    if (session) await request("DELETE", `/session/${session}`).catch(() => {});
    session = null;
    await endProcess(driverProcess, 5);
    await endProcess(x?.server);
    removeFolder(profile);
  };

  try {
    x = await startXvfb();
    const home = path.join(profile, "home");
    fs.mkdirSync(home);
    const env = { ...process.env, DISPLAY: x.display, HOME: home, XDG_CACHE_HOME: path.join(home, "cache"),
      XDG_DATA_HOME: path.join(home, "data"), XDG_CONFIG_HOME: path.join(home, "config") };
    // The port is free when asked for; should another program take it
    // before the driver does, the driver ends and another port is tried.
    for (let attempt = 0; attempt < 3 && !base; attempt++) {
      const port = await freePort();
      driverProcess = startProcess("WebKitWebDriver", [`--port=${port}`, "--host=127.0.0.1"], { env });
      const deadline = Date.now() + 30000;
      while (Date.now() < deadline && !base) {
        const status = await fetch(`http://127.0.0.1:${port}/status`, { signal: AbortSignal.timeout(5000) })
          .then((reply) => reply.json(), () => null);
        if (status?.value?.ready) base = `http://127.0.0.1:${port}`;
        else if (await Promise.race([driverProcess.exited.then(() => true),
          new Promise((resolve) => setTimeout(resolve, 100, false))])) break;
      }
      if (!base) await endProcess(driverProcess);
    }
    if (!base) throw new Error("webkit: WebKitWebDriver did not start");
    ({ sessionId: session } = await request("POST", "/session", { capabilities: { alwaysMatch: {
      "webkitgtk:browserOptions": { binary: miniBrowser, args: ["--automation"] } } } }));
    const perform = (source) => command("POST", "/actions", { actions: [source] });
    return {
      name: "webkit",
      // One window, each page loaded over the one before (the driver waits
      // for the load); closing a window of MiniBrowser may end it.
      async open(url) {
        await command("POST", "/url", { url });
      },
      async read(expression) {
        return command("POST", "/execute/sync", { script: `return ${expression};`, args: [] });
      },
      async click(x, y) {
        await perform(tapAt("mouse", x, y));
      },
      // No touch(): WebKitGTK's automation plays a touch pointer's actions
      // as a mouse's, so a trusted touch cannot be made here.
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
