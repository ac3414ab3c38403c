// processes.mjs: what a browser adapter starts (a browser, its driver, an
// X server), each in a process group of its own so that ending it ends its
// helpers too, and its profile folder; whatever is still running or left
// when this program exits, by any way out, is killed or removed then. Also
// a virtual X server per browser (Xvfb, which picks a free display itself).
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const running = new Set();
const folders = new Set();

function killGroup(child, signal) {
  try {
    process.kill(-child.pid, signal);
  } catch {
    // already gone
  }
}

process.on("exit", () => {
  for (const child of running) killGroup(child, "SIGKILL");
  for (const dir of folders) fs.rmSync(dir, { recursive: true, force: true });
});
for (const signal of ["SIGINT", "SIGTERM", "SIGHUP"]) process.on(signal, () => process.exit(128 + os.constants.signals[signal]));

// Starts a program in a process group of its own and keeps track of it.
export function startProcess(program, args, options = {}) {
  const child = spawn(program, args, { stdio: "ignore", ...options, detached: true });
  running.add(child);
  child.exited = new Promise((resolve) => child.on("exit", (code, signal) => {
    running.delete(child);
    resolve(code ?? signal);
  }));
  child.on("error", () => running.delete(child));
  return child;
}

function groupAlive(child) {
  try {
    process.kill(-child.pid, 0);
    return true;
  } catch {
    return false;
  }
}

// Ends a process and its group: waits `seconds` for it to go by itself (a
// browser asked to close), then terminates it, then kills it and whatever
// of its group outlived it, and waits (5 s at most) until the group is gone.
export async function endProcess(child, seconds = 0) {
  if (!child) return;
  const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms, false));
  const within = (s) => Promise.race([child.exited.then(() => true), pause(s * 1000)]);
  if (running.has(child) && !(seconds > 0 && await within(seconds))) {
    killGroup(child, "SIGTERM");
    await within(5);
  }
  killGroup(child, "SIGKILL");
  await within(5);
  for (let i = 0; i < 50 && groupAlive(child); i++) await pause(100);
}

// A fresh folder for a browser's profile, removed by removeFolder or, at
// the latest, when this program exits.
export function makeFolder(prefix) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  folders.add(dir);
  return dir;
}

// Removes the folder, with retries while the last of the browser's helpers
// may still be writing it.
export function removeFolder(dir) {
  fs.rmSync(dir, { recursive: true, force: true, maxRetries: 10 });
  folders.delete(dir);
}

// Resolves with what `promise` gives, or rejects after `seconds`.
export function within(promise, seconds, what) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: no answer within ${seconds} s`)), seconds * 1000);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

// A virtual X server on a display it picks itself (-displayfd), with a
// screen of `size`; resolves with { server, display } once it accepts
// connections.
export async function startXvfb(size = "1024x768x24") {
  const server = startProcess("Xvfb", ["-displayfd", "3", "-screen", "0", size, "-nolisten", "tcp", "-noreset"],
    { stdio: ["ignore", "ignore", "ignore", "pipe"] });
  let text = "";
  const display = new Promise((resolve, reject) => {
    server.stdio[3].on("data", (chunk) => {
      text += chunk;
      if (text.includes("\n")) resolve(`:${text.trim()}`);
    });
    server.exited.then((status) => reject(new Error(`Xvfb ended (${status}) before it gave a display`)));
    server.on("error", reject);
  });
  try {
    return { server, display: await within(display, 30, "Xvfb") };
  } catch (error) {
    await endProcess(server);
    throw error;
  }
}
