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
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { align, playDemo, playPage, startRecorder, startSoundServer } from "../../tools/listen/listening.mjs";

const [runDir, webDir] = process.argv.slice(2).map((dir) => path.resolve(dir));
const toleranceMs = 15;
const listenTenths = 120; // how much of the show to hear: 12 s

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
  const players = [["demo", (log) => playDemo(runDir, sound.env, log, listenTenths)]];
  if (webDir) players.push(["page in Chromium", (log) => playPage(webDir, sound.env, log, listenTenths)]);
  for (const [name, play] of players) {
    const recording = path.join(dir, `${name.split(" ")[0]}.raw`), syncLog = path.join(dir, `${name.split(" ")[0]}.log`);
    const recorder = await startRecorder(runDir, recording, sound.env);
    try {
      await play(syncLog);
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
