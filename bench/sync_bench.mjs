// sync_bench.mjs: see sync_bench.sh.
// usage: node bench/sync_bench.mjs <native run dir> <web build dir>
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { align, playDemo, playPage, readSyncLog, startRecorder, startSoundServer } from "../tools/listen/listening.mjs";

const [runDir, webDir] = process.argv.slice(2).map((dir) => path.resolve(dir));
const frameMs = 1000 / 60;
// The stage of each scene's first frame after a cut, and its name.
const cutStages = [[4, "title to test.3ds"], [7, "test to env.3ds"], [10, "env to add.3ds"], [13, "add to blue.3ds"],
  [16, "blue to lo.3ds"], [19, "lo to ting.3ds"], [22, "ting to cyl.3ds"], [25, "cyl to snurr.3ds"]];

const ms = (seconds) => (seconds * 1000).toFixed(1).padStart(8);

// The table of one player, from its sync log and what was heard.
function report(name, log, heard) {
  const [matched, sounding, correlation] = heard.blocks || [0, 0, 0];
  console.log(`\n${name}: ${matched} of ${sounding} blocks of 93 ms match the music (median correlation ${correlation})`);
  console.log(`  the music's start heard ${heard["start-offset"]?.[0].toFixed(2)} ms ahead of the demo clock ` +
    `(target: within +-5 ms); its time 0 heard ${heard["zero-offset"]?.[0].toFixed(2)} ms after the clock's zero`);
  const c = heard["clock-offset"];
  if (c) console.log(`  all through: the music ${c[0].toFixed(2)} ms ahead of the clock (10th to 90th percentile ` +
    `${c[1].toFixed(2)} to ${c[2].toFixed(2)} ms, ${c[3]} blocks)`);
  console.log("  cut                 shown-heard   set-up   last frame   show late   platform   drawing    the rest  (ms; target: platform within one frame)");
  const stages = new Map(log.stages.map((s) => [s[0], s]));
  let previousStart = stages.get(2)?.[5] ?? 0, worst = 0;
  cutStages.forEach(([stage, label], k) => {
    const line = stages.get(stage), at = heard.at.find((a) => Math.abs(a[0] - log.cuts[k]) < 1e-3);
    if (!line || !at) return console.log(`  ${label.padEnd(20)} (not seen or not heard)`);
    const [, , shownAt, clockAtStart, clockAtEnd, sceneStart] = line;
    // The scene before was due to end at its start plus its length.
    const due = previousStart + 10 * (log.cuts[k] - (k ? log.cuts[k - 1] : 0));
    const lastFrame = (clockAtStart - due) / 10, setUp = (sceneStart - clockAtStart) / 10;
    const late = sceneStart / 10 - log.cuts[k], shownMinusHeard = shownAt - at[1], platform = shownMinusHeard - late;
    // Of the platform's part: drawing the scene's first frame, from its time
    // base to the end of the pass that shows it, by the demo clock; the rest
    // is the clock against what is heard.
    const drawing = (clockAtEnd - sceneStart) / 10;
    worst = Math.max(worst, Math.abs(platform));
    console.log(`  ${label.padEnd(20)}${ms(shownMinusHeard)}${ms(setUp)}${ms(lastFrame)}    ${ms(late)}   ${ms(platform)}` +
      `  ${ms(drawing)}  ${ms(platform - drawing)}`);
    previousStart = sceneStart;
  });
  console.log(`  worst platform part: ${(worst * 1000).toFixed(1)} ms (one frame: ${frameMs.toFixed(1)} ms)`);
}

const dir = fs.mkdtempSync(path.join(os.tmpdir(), "kvistra-sync-bench-"));
const sound = await startSoundServer(dir);
try {
  let cuts = null;
  for (const [name, play] of [["the demo (PulseAudio, Xvfb)", (log) => playDemo(runDir, sound.env, log)],
    ["the page (headless Chromium)", (log) => playPage(webDir, sound.env, log, null, cuts)]]) {
    const recording = path.join(dir, "heard.raw"), syncLog = path.join(dir, "sync.log");
    const recorder = await startRecorder(runDir, recording, sound.env);
    try {
      await play(syncLog);
    } finally {
      await recorder.stop();
    }
    const log = readSyncLog(syncLog);
    cuts = log.cuts;
    report(name, log, await align(runDir, recording, syncLog, cuts.slice(0, cutStages.length)));
  }
} finally {
  await sound.stop();
  fs.rmSync(dir, { recursive: true, force: true, maxRetries: 10 });
}
