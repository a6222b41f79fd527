"use strict";
// Starts the program in the page. The page allows no script of its own but this file and those
// beside it, and no HTML made from text: whatever a user types stays text.

const files = {
  program: "bookkeeping.wasm",
  // The characters in everyday use, which the window is drawn with, and all the others, which
  // come once it is drawn.
  font: "fonts/wqy-microhei.ttf",
  restOfFont: "fonts/wqy-microhei-rest.ttf",
};
const fontFolder = "/fonts";
const screenElement = document.getElementById("screen");
const loading = document.getElementById("loading");
const progress = document.getElementById("progress");
const message = document.getElementById("message");
const starting = "正在启动… Starting…";

function fail(text) {
  loading.classList.add("failed");
  loading.style.display = "";
  loading.setAttribute("role", "alert");
  message.textContent = text;
}

async function fetched(path) {
  const response = await fetch(path);
  if (!response.ok)
    throw new Error(`${path}: ${response.status} ${response.statusText}`);
  return response;
}

// Shows how much of the RESPONSES has come. A server that compresses on the fly announces the
// compressed length, if any: then the total is unknown.
function showProgress(responses) {
  const sizes = responses.map((response) => response.headers.get("Content-Encoding") ? 0
    : Number(response.headers.get("Content-Length")) || 0);
  const total = sizes.includes(0) ? 0 : sizes.reduce((a, b) => a + b, 0);
  const mb = (n) => (n / 1048576).toFixed(1);
  let done = 0;
  const show = () => {
    if (loading.classList.contains("failed"))
      return;
    if (total > 0 && done <= total) {
      progress.value = done / total;
      message.textContent = `正在下载 ${mb(done)} / ${mb(total)} MB… Downloading…`;
    } else {
      progress.removeAttribute("value");
      message.textContent = `正在下载 ${mb(done)} MB… Downloading…`;
    }
  };
  return Promise.all(responses.map(async (response) => {
    const reader = response.body.getReader();
    for (let chunk = await reader.read(); !chunk.done; chunk = await reader.read()) {
      done += chunk.value.length;
      show();
    }
  }));
}

// Compiled while it downloads, and kept compiled by the browser, for the next visit, when it comes
// from the browser's caches. A server may give it another type than application/wasm: then it
// is compiled once it has come.
function compiled(response) {
  const type = (response.headers.get("Content-Type") || "").split(";")[0].trim();
  if (type === "application/wasm")
    return WebAssembly.compileStreaming(response);
  return response.arrayBuffer().then((bytes) => WebAssembly.compile(bytes));
}

const trustedScripts = window.trustedTypes && trustedTypes.createPolicy("bookkeeping", {
  createScriptURL: (address) => {
    if (address !== "sw.js")
      throw new TypeError(`${address} is not a script of the page`);
    return address;
  },
});

function scriptAddress(address) {
  return trustedScripts ? trustedScripts.createScriptURL(address) : address;
}

// Phones and tablets get larger targets: Qt scales the window as a desktop's display scaling
// does, enough for every button, field and row to be at least 24 CSS pixels high.
function scaleFactor() {
  const touch = matchMedia("(pointer: coarse)").matches;
  return touch && Math.min(screen.width, screen.height) < 600 ? "1.5" : "1";
}

// Browsers that do not resize the page for the on-screen keyboard, as Safari does not, shrink
// only what is visible of it: the window is fitted to that, so that its buttons stay above the
// keyboard. Zooming the page in does not shrink the window.
function fitToVisibleArea() {
  const visible = window.visualViewport;
  if (!visible)
    return;
  const fit = () => {
    const height = Math.min(innerHeight, Math.round(visible.height * visible.scale));
    screenElement.style.height = height < innerHeight ? `${height}px` : "";
  };
  visible.addEventListener("resize", fit);
  fit();
}

// Qt draws its windows' title bars in its own shadow DOM, in the browser's fonts: they get the
// page's style, which gives them the program's icon, once Qt has made it.
function styleTitleBars() {
  new MutationObserver((changes, observer) => {
    const screen = [...screenElement.children].find((element) => element.shadowRoot);
    if (!screen)
      return;
    observer.disconnect();
    const style = document.createElement("link");
    style.rel = "stylesheet";
    style.href = "title-bars.css";
    screen.shadowRoot.appendChild(style);
  }).observe(screenElement, { childList: true });
}

// Qt's title bars ask for the family 'Lucida Grande', which has no Chinese anywhere: the page's
// font draws their Chinese instead.
function fontForTitleBars(font) {
  document.fonts.add(new FontFace("Lucida Grande", font,
    { unicodeRange: "U+2E80-9FFF, U+F900-FAFF, U+FE30-FE4F, U+FF00-FFEF, U+20000-3FFFF" }));
}

// Once the window is drawn: the first part of the font for the title bars, which only warnings
// have; the rest of the font, for every character that the first part lacks; then the service
// worker, which keeps the folder for a visit without a network.
async function afterWindowDrawn(instance, font) {
  await new Promise((drawn) => requestAnimationFrame(() => requestAnimationFrame(drawn)));
  fontForTitleBars(font);
  try {
    const rest = await (await fetched(files.restOfFont)).arrayBuffer();
    instance.qtAddFallbackFont(new Uint8Array(rest));
    fontForTitleBars(rest);
    performance.mark("rest of the font");
  } catch (error) {
    // The window works with the first part alone; a character it lacks shows as a box.
    console.warn(`The rest of the font did not come: ${error.message}`);
  }
  // Browsers offer it only to secure pages, such as 127.0.0.1's. Under the page's policy its
  // address must come from the page's one Trusted Types policy, which knows no other script.
  if ("serviceWorker" in navigator)
    navigator.serviceWorker.register(scriptAddress("sw.js"));
}

// The page's other scripts, Qt's loader and the program's, run after this one, which starts the
// downloads first, and before the page is told it is loaded.
const otherScripts = new Promise((ran) => document.addEventListener("DOMContentLoaded", ran));

async function start() {
  if (typeof WebAssembly !== "object" || typeof WebAssembly.compileStreaming !== "function") {
    fail("这个浏览器不能运行 WebAssembly，无法打开记账软件。请使用新版的 Firefox、Chrome、Edge 或 Safari。"
         + " This browser cannot run WebAssembly; please use a recent Firefox, Chrome, Edge or Safari.");
    return;
  }
  styleTitleBars();
  fitToVisibleArea();
  let module, font;
  try {
    const [program, firstFont] = await Promise.all([fetched(files.program), fetched(files.font)]);
    // A page that the service worker serves downloads nothing: its files come from the worker's
    // cache. Counting them would only delay the window, by a few tenths of a second on a phone:
    // the program's bytes would be copied for the counting.
    let counted;
    if (navigator.serviceWorker?.controller)
      message.textContent = starting;
    else
      counted = showProgress([program.clone(), firstFont.clone()]);
    [module, font] = await Promise.all([compiled(program), firstFont.arrayBuffer(), counted]);
  } catch (error) {
    fail("下载失败，请检查网络后刷新本页。The download failed; check the connection and reload"
         + ` the page. (${error.message})`);
    return;
  }
  message.textContent = starting;
  await otherScripts;
  let instance;
  try {
    await qtLoad({
      preRun: [(started) => {
        instance = started;
        started.FS.mkdir(fontFolder);
        started.FS.writeFile(`${fontFolder}/wqy-microhei.ttf`, new Uint8Array(font));
      }],
      qt: {
        module: Promise.resolve(module),
        environment: { QT_QPA_FONTDIR: fontFolder, QT_SCALE_FACTOR: scaleFactor() },
        containerElements: [screenElement],
        entryFunction: window.bookkeeping_entry,
        onLoaded: () => { loading.style.display = "none"; },
        onExit: (exit) => {
          if (exit.crashed)
            fail(`记账软件意外停止。The program stopped unexpectedly. (${exit.text})`);
          else
            fail("记账软件已关闭，刷新本页可重新打开。The program has ended; reload the page to start it again.");
        },
      },
    });
  } catch (error) {
    fail(`记账软件无法启动。The program could not start. (${error.message})`);
    return;
  }
  afterWindowDrawn(instance, font);
}

start();
