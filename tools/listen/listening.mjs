// listening.mjs: hearing what kvistra plays, for the test and the benchmark
// that listen to it: a PulseAudio server of their own with a null sink, in a
// private runtime directory (nothing else on the machine is touched), the
// recorder on the sink's monitor, and the alignment of the recording with the
// music (kvistra-listen, beside the programs in the run directory).
import { spawn, execFile } from "node:child_process";
import fs from "node:fs";
import path from "node:path";

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

// Writes the page's demo clock readings ([performance.now(), tenths]) as a
// sync log, in monotonic seconds.
export function writePageSyncLog(file, readings, offset) {
  const lines = readings.map(([now, tenths]) => `clock ${(now / 1000 + offset).toFixed(6)} ${tenths.toFixed(3)}`);
  // The clock's zero: where its first readings put it.
  const zeros = readings.slice(0, 10).map(([now, tenths]) => now / 1000 + offset - tenths / 10).sort((a, b) => a - b);
  if (zeros.length) lines.unshift(`zero ${zeros[Math.floor(zeros.length / 2)].toFixed(6)}`);
  fs.writeFileSync(file, lines.join("\n") + "\n");
}
