// listen.mjs: listens to the show. A sound server of the test's own with a
// null sink (tools/listen/listening.mjs) takes what the live demo plays under
// Xvfb, and then what the page plays in headless Chromium; a recorder on the
// sink's monitor notes when each sample was heard, and kvistra-listen finds
// the music in the recording. What is heard must be the music (most blocks
// match it), its start must be heard at the demo clock's start, and at every
// moment the music heard must be at the demo clock's time: medians over
// blocks of 93 ms, each compared with the clock's reading at the moment it
// was heard, so that a busy machine's stalls of the output, which the clock
// follows, do not decide it. (How far after the clock's zero the music's
// time 0 was heard, from the first blocks alone, is printed beside; a stall
// in the first half second adds to it.)
// usage: node listen.mjs <native run dir> [<web build dir>]
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { closeBrowser, evaluate, launchBrowser, pressKey, serve, startPage, waitFor } from "../../web/headless.mjs";
import { align, pageClockOffset, startRecorder, startSoundServer, waitUntil, writePageSyncLog } from "../../tools/listen/listening.mjs";

const [runDir, webDir] = process.argv.slice(2).map((dir) => path.resolve(dir));
const toleranceMs = 15;
const listenTenths = 120; // how much of the show to hear: 12 s

// An X server of the test's own; resolves to { display, stop }.
async function startXvfb() {
  const server = spawn("Xvfb", ["-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp"],
    { stdio: ["ignore", "ignore", "ignore", "pipe"] });
  let number = "";
  server.stdio[3].on("data", (chunk) => { number += chunk; });
  await waitUntil(() => number.includes("\n") || server.exitCode !== null, 30, "X server");
  if (!number.includes("\n")) throw new Error("Xvfb did not start");
  const gone = new Promise((resolve) => server.on("exit", resolve));
  return { display: `:${number.trim()}`, stop: async () => { server.kill("SIGTERM"); await gone; } };
}

// The demo under its own Xvfb, heard until its clock passes listenTenths,
// then stopped as Ctrl-C stops it (through its exit stage).
async function playDemo(dir, soundEnv, syncLog) {
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
    await waitUntil(() => demo.exitCode !== null || lastClock() >= listenTenths, 90, "demo clock at 12 s");
    if (demo.exitCode !== null) throw new Error(`the demo ended early with status ${demo.exitCode}`);
    demo.kill("SIGINT");
    const status = await Promise.race([exited, new Promise((resolve) => setTimeout(() => resolve("none"), 20000))]);
    if (status !== 0) throw new Error(`the demo ended with status ${status}`);
  } finally {
    demo.kill("SIGKILL");
    await x.stop();
  }
}

// The page in headless Chromium with its sound on, heard until its clock
// passes listenTenths; its clock readings go to syncLog in monotonic time.
async function playPage(dir, soundEnv, syncLog) {
  const server = await serve(webDir);
  const profile = path.join(dir, "chromium");
  const browser = launchBrowser(profile, { sound: true, env: soundEnv });
  try {
    const session = await startPage(browser, `http://127.0.0.1:${server.address().port}/kvistra.html`);
    await waitFor(browser, session, `kvistraPage.clock.length > 0 && kvistraPage.clock[kvistraPage.clock.length - 1][1] >= ${listenTenths}`, 90, "page clock at 12 s");
    const offset = await pageClockOffset((expression) => evaluate(browser, session, expression));
    await pressKey(browser, session, "Escape", "Escape", 27);
    await waitFor(browser, session, "kvistraPage.ended", 30, "end");
    writePageSyncLog(syncLog, await evaluate(browser, session, "kvistraPage.clock"), offset);
  } finally {
    server.close();
    await closeBrowser(browser, profile);
  }
}

function check(name, heard) {
  const faults = [];
  const [matched, sounding, correlation] = heard.blocks || [0, 0, 0];
  if (heard.status !== 0 || !(correlation >= 0.99)) faults.push(`not the music: ${matched} of ${sounding} blocks, correlation ${correlation}`);
  const start = heard["start-offset"]?.[0], zero = heard["zero-offset"]?.[0], clock = heard["clock-offset"];
  if (!(Math.abs(start) <= toleranceMs)) faults.push(`the music's start heard ${start} ms ahead of the clock`);
  if (!clock || !(Math.abs(clock[0]) <= toleranceMs)) faults.push(`music heard ${clock?.[0]} ms ahead of the clock`);
  console.log(`${faults.length ? "FAIL" : "ok  "} ${name}: ${matched} of ${sounding} blocks; the music's start ` +
    `${start?.toFixed(1)} ms and the music ${clock?.[0].toFixed(1)} ms ahead of the clock ` +
    `(10th to 90th percentile ${clock?.[1].toFixed(1)} to ${clock?.[2].toFixed(1)} ms, ${clock?.[3]} blocks); ` +
    `time 0 heard ${zero?.toFixed(1)} ms after the clock's zero` + faults.map((f) => `\n    ${f}`).join(""));
  return faults.length === 0;
}

const dir = fs.mkdtempSync(path.join(os.tmpdir(), "kvistra-listen-"));
let passed = true;
const sound = await startSoundServer(dir);
try {
  const players = [["demo", playDemo]];
  if (webDir) players.push(["page in Chromium", playPage]);
  for (const [name, play] of players) {
    const recording = path.join(dir, `${name.split(" ")[0]}.raw`), syncLog = path.join(dir, `${name.split(" ")[0]}.log`);
    const recorder = await startRecorder(runDir, recording, sound.env);
    try {
      await play(dir, sound.env, syncLog);
    } catch (error) {
      console.log(`FAIL ${name}: ${error.message}`);
      passed = false;
      continue;
    } finally {
      await recorder.stop();
    }
    passed = check(name, await align(runDir, recording, syncLog)) && passed;
  }
} finally {
  await sound.stop();
  if (!process.env.KVISTRA_KEEP_LISTEN) fs.rmSync(dir, { recursive: true, force: true, maxRetries: 10 });
  else console.log(`kept ${dir}`);
}
process.exit(passed ? 0 : 1);
