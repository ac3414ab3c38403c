// webdriver_actions.mjs: the input the WebDriver adapters (firefox.mjs over
// BiDi, webkit.mjs over classic WebDriver) send as one source of WebDriver
// actions: a tap of a mouse or a finger at a point of the viewport, and a
// key pressed and released.
const keyValues = { Escape: "\uE00C", Enter: "\uE007" };

export function tapAt(pointerType, x, y) {
  return { type: "pointer", id: pointerType === "touch" ? "finger" : "mouse", parameters: { pointerType },
    actions: [{ type: "pointerMove", x, y, origin: "viewport" }, { type: "pointerDown", button: 0 },
      { type: "pointerUp", button: 0 }] };
}

export function keyPress(key) {
  return { type: "key", id: "keyboard",
    actions: [{ type: "keyDown", value: keyValues[key] }, { type: "keyUp", value: keyValues[key] }] };
}
