// listening.mjs: hearing what kvistra plays, for the test and the benchmark
// that listen to it: a PulseAudio server of their own with a null sink, in a
// private runtime directory (nothing else on the machine is touched), the
// recorder on the sink's monitor, and the alignment of the recording with the
// music (kvistra-listen, beside the programs in the run directory).
import { spawn, execFile } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { launchBrowser, serve, startPage, waitFor } from "../../web/drivers/browser.mjs";

const sinkName = "heard";

// Polls `condition` every 50 ms for at most `seconds`; throws `what` then.
export async function waitUntil(condition, seconds, what) {
  const deadline = Date.now() + seconds * 1000;
  while (!(await condition())) {
    if (Date.now() > deadline) throw new Error(`no ${what} within ${seconds} s`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

function ended(child) {
  return child.exitCode !== null || child.signalCode !== null
    ? Promise.resolve()
    : new Promise((resolve) => child.on("exit", resolve));
}

// Starts the sound server in `dir`; resolves to { env, stop } once it takes
// clients. env: what a client needs to play to it.
export async function startSoundServer(dir) {
  const runtime = path.join(dir, "runtime");
  fs.mkdirSync(runtime, { mode: 0o700, recursive: true });
  const env = { ...process.env, XDG_RUNTIME_DIR: runtime, HOME: dir, PULSE_SERVER: `unix:${runtime}/pulse/native` };
  delete env.DISPLAY; // no X11 session properties
  const server = spawn("pulseaudio", ["-n", "--daemonize=no", "--exit-idle-time=-1", "--log-target=stderr",
    "--log-level=error", `--load=module-null-sink sink_name=${sinkName}`,
    "--load=module-native-protocol-unix auth-anonymous=1"], { env, stdio: ["ignore", "ignore", "pipe"] });
  let errors = "";
  server.stderr.on("data", (chunk) => { errors += chunk; });
  const stop = async () => { server.kill("SIGTERM"); await ended(server); };
  try {
    await waitUntil(() => server.exitCode !== null || fs.existsSync(path.join(runtime, "pulse", "native")), 20,
      "sound server");
    if (server.exitCode !== null) throw new Error(`the sound server ended: ${errors.trim()}`);
  } catch (error) {
    await stop();
    throw error;
  }
  const clientEnv = { XDG_RUNTIME_DIR: runtime, PULSE_SERVER: env.PULSE_SERVER };
  return { env: clientEnv, stop };
}

// Records the sink into `out` (and out.timing); resolves once it records.
export async function startRecorder(runDir, out, soundEnv) {
  const recorder = spawn(path.join(runDir, "kvistra-listen"), ["record", `${sinkName}.monitor`, out],
    { env: { ...process.env, ...soundEnv }, stdio: ["ignore", "pipe", "pipe"] });
  let said = "";
  recorder.stdout.on("data", (chunk) => { said += chunk; });
  recorder.stderr.on("data", (chunk) => { said += chunk; });
  await waitUntil(() => said.includes("recording") || recorder.exitCode !== null, 20, "recording");
  if (!said.includes("recording")) throw new Error(`the recorder did not start: ${said.trim()}`);
  return {
    stop: async () => { recorder.kill("SIGTERM"); await ended(recorder); return recorder.exitCode; },
  };
}

// Finds the music in the recording: kvistra-listen align's lines as numbers,
// e.g. { blocks: [matched, sounding, correlation], "clock-offset": [...],
// at: [[second, moment], ...] }, and its status.
export function align(runDir, recording, syncLog, atSeconds = []) {
  const args = ["align", path.join(runDir, "music.mp3"), recording];
  if (syncLog) args.push("--log", syncLog);
  for (const at of atSeconds) args.push("--at", String(at));
  return new Promise((resolve) => {
    execFile(path.join(runDir, "kvistra-listen"), args, (error, stdout, stderr) => {
      const result = { status: error ? error.code : 0, errors: stderr, at: [] };
      for (const line of stdout.split("\n").filter(Boolean)) {
        const [key, ...values] = line.split(" ");
        if (key === "at") result.at.push(values.map(Number));
        else result[key] = values.map(Number);
      }
      resolve(result);
    });
  });
}

// The offset that turns the page's performance.now() (ms) into this
// machine's monotonic clock (seconds, as CLOCK_MONOTONIC and the sync log
// have it): from the quickest of 25 round trips, taken at its middle.
export async function pageClockOffset(evaluate) {
  let best = null;
  for (let i = 0; i < 25; i++) {
    const before = process.hrtime.bigint();
    const pageNow = await evaluate("performance.now()");
    const after = process.hrtime.bigint();
    const trip = Number(after - before) / 1e9;
    if (!best || trip < best.trip) best = { trip, offset: Number(before + after) / 2e9 - pageNow / 1000 };
  }
  return best.offset;
}

// Writes what the page logged (kvistraPage.clock and .stages, on
// performance.now()) as a sync log in monotonic seconds, as the demo writes
// its own; cuts: the show's cut seconds (the demo's log has them).
export function writePageSyncLog(file, page, offset, cuts = null) {
  const at = (now) => (now / 1000 + offset).toFixed(6);
  const lines = [];
  if (cuts) lines.push(`cuts ${cuts.join(" ")}`);
  // The clock's zero: where its first readings put it.
  const zeros = page.clock.slice(0, 10).map(([now, tenths]) => now / 1000 + offset - tenths / 10).sort((a, b) => a - b);
  if (zeros.length) lines.push(`zero ${zeros[Math.floor(zeros.length / 2)].toFixed(6)}`);
  for (const [stage, start, end, clockAtStart, clock, sceneStart] of page.stages)
    lines.push(`stage ${stage} ${at(start)} ${at(end)} ${clockAtStart.toFixed(3)} ${clock.toFixed(3)} ${sceneStart.toFixed(3)}`);
  for (const [now, tenths] of page.clock) lines.push(`clock ${at(now)} ${tenths.toFixed(3)}`);
  fs.writeFileSync(file, lines.join("\n") + "\n");
}

// A sync log's lines by kind: { cuts: [...], zero, stages: [[S, T0, T1, C0,
// C1, START], ...] }.
export function readSyncLog(file) {
  const log = { cuts: null, zero: null, stages: [] };
  for (const line of fs.readFileSync(file, "utf8").split("\n")) {
    const [kind, ...values] = line.split(" ");
    if (kind === "cuts") log.cuts = values.map(Number);
    else if (kind === "zero") log.zero = Number(values[0]);
    else if (kind === "stage") log.stages.push(values.map(Number));
  }
  return log;
}

// An X server of its own; resolves to { display, stop }.
async function startXvfb() {
  const server = spawn("Xvfb", ["-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp"],
    { stdio: ["ignore", "ignore", "ignore", "pipe"] });
  let number = "";
  server.stdio[3].on("data", (chunk) => { number += chunk; });
  await waitUntil(() => number.includes("\n") || server.exitCode !== null, 30, "X server");
  if (!number.includes("\n")) throw new Error("Xvfb did not start");
  const gone = ended(server);
  return { display: `:${number.trim()}`, stop: async () => { server.kill("SIGTERM"); await gone; } };
}

// The demo under its own Xvfb, playing to the sound server, its sync log in
// syncLog: until its clock passes untilTenths (then stopped as Ctrl-C stops
// it, through its exit stage), or to its own end when untilTenths is null.
export async function playDemo(runDir, soundEnv, syncLog, untilTenths = null) {
  const x = await startXvfb();
  const demo = spawn(path.join(runDir, "kvistra"), [], { cwd: runDir, stdio: "ignore",
    env: { ...process.env, ...soundEnv, DISPLAY: x.display, KVISTRA_SYNC_LOG: syncLog } });
  const exited = new Promise((resolve) => demo.on("exit", (code) => resolve(code)));
  try {
    const lastClock = () => {
      const lines = fs.existsSync(syncLog) ? fs.readFileSync(syncLog, "utf8").trim().split("\n") : [];
      const last = lines.filter((line) => line.startsWith("clock ")).pop();
      return last ? Number(last.split(" ")[2]) : -1;
    };
    if (untilTenths !== null) {
      await waitUntil(() => demo.exitCode !== null || lastClock() >= untilTenths, 90, `demo clock at ${untilTenths / 10} s`);
      if (demo.exitCode !== null) throw new Error(`the demo ended early with status ${demo.exitCode}`);
      demo.kill("SIGINT");
    }
    const status = await Promise.race([exited,
      new Promise((resolve) => setTimeout(() => resolve("none"), untilTenths === null ? 400000 : 20000))]);
    if (status !== 0) throw new Error(`the demo ended with status ${status}`);
  } finally {
    demo.kill("SIGKILL");
    await x.stop();
  }
}

// The page in headless Chromium with its sound on, until its clock passes
// untilTenths (then Escape), or to the show's end when untilTenths is null;
// what it logged goes to syncLog in monotonic time.
export async function playPage(webDir, soundEnv, syncLog, untilTenths = null, cuts = null) {
  const server = await serve(webDir);
  const browser = await launchBrowser("chromium", { sound: true, env: soundEnv });
  try {
    await startPage(browser, `http://127.0.0.1:${server.address().port}/kvistra.html`);
    if (untilTenths !== null)
      await waitFor(browser, `kvistraPage.clock.length > 0 && kvistraPage.clock[kvistraPage.clock.length - 1][1] >= ${untilTenths}`, 90, `page clock at ${untilTenths / 10} s`);
    else await waitFor(browser, "kvistraPage.ended", 400, "end of the show");
    const offset = await pageClockOffset((expression) => browser.evaluate(expression));
    if (untilTenths !== null) {
      await browser.pressKey("Escape");
      await waitFor(browser, "kvistraPage.ended", 30, "end");
    }
    writePageSyncLog(syncLog, await browser.evaluate("({clock: kvistraPage.clock, stages: kvistraPage.stages})"), offset, cuts);
  } finally {
    server.close();
    await browser.close();
  }
}
