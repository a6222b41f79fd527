"use strict";
// Starts the program in the page. The page allows no script of its own but this file and those
// beside it, and no HTML made from text: whatever a user types stays text.

const files = {
  // What the start, the drawing and the everyday use of the window call, and the rest of the
  // program, which comes once the window is drawn.
  program: "bookkeeping.wasm",
  secondPart: "bookkeeping.deferred.wasm",
  // The characters the window shows, which it is drawn with; then the others in everyday use,
  // and last all the others, each once the one before has come.
  font: "fonts/wqy-microhei.ttf",
  moreFont: [["fonts/wqy-microhei-everyday.ttf", "everyday characters"],
    ["fonts/wqy-microhei-rest.ttf", "rest of the font"]],
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

// The program's second part: its functions stand in the first part's table as placeholders
// until it is put in place, which writes them there. The first part's exports are its imports.
const secondPart = { imports: null, table: null, module: null, inPlace: false };

// Puts the second part in place, compiled in the background once it has come. When the program
// calls a function of it before that, it is fetched and compiled there and then, while the
// program waits: the browser keeps what the user does meanwhile for after. (Chromium compiles a
// module of up to 8 MB so.)
function putSecondPartInPlace(neededBy) {
  if (secondPart.inPlace)
    return;
  let module = secondPart.module;
  if (!module) {
    performance.mark("second part needed before it came", { detail: neededBy });
    const request = new XMLHttpRequest();
    request.open("GET", files.secondPart, false);
    request.overrideMimeType("text/plain; charset=x-user-defined");
    request.send();
    if (request.status !== 200)
      throw new Error(`${files.secondPart}: ${request.status} ${request.statusText}`);
    // Each byte as a character, those above 0x7F from U+F780 on: their low byte is the byte.
    const text = request.responseText;
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i)
      bytes[i] = text.charCodeAt(i);
    module = new WebAssembly.Module(bytes);
  }
  new WebAssembly.Instance(module, { primary: secondPart.imports });
  secondPart.inPlace = true;
  if (!secondPart.module)
    performance.measure("waited for the second part", "second part needed before it came");
}

// What stands for each function of the second part, by its place in the table, until it is in
// place.
const placeholders = new Proxy({}, {
  get: (_, slot) => (...args) => {
    putSecondPartInPlace(slot);
    return secondPart.table.get(Number(slot))(...args);
  },
});

// The program's first part, with the second part's placeholders among its imports.
function entry(config) {
  const instantiate = config.instantiateWasm;
  config.instantiateWasm = (imports, received) =>
    instantiate({ ...imports, placeholder: placeholders }, (instance, module) => {
      secondPart.imports = instance.exports;
      secondPart.table = Object.values(instance.exports)
        .find((value) => value instanceof WebAssembly.Table);
      received(instance, module);
    });
  return window.bookkeeping_entry(config);
}

async function loadSecondPart() {
  try {
    secondPart.module = await compiled(await fetched(files.secondPart));
    putSecondPartInPlace();
    performance.mark("second part");
  } catch (error) {
    // Were it needed, the program would fetch it itself.
    console.warn(`The second part of the program did not come: ${error.message}`);
  }
}

// Once the window is drawn: the program's second part; the first part of the font for the title
// bars, which only warnings have; the rest of the font, each part for the characters that those
// before it lack; then the service worker, which keeps the folder for a visit without a network.
async function afterWindowDrawn(instance, font) {
  await new Promise((drawn) => requestAnimationFrame(() => requestAnimationFrame(drawn)));
  const program = loadSecondPart();
  fontForTitleBars(font);
  for (const [file, mark] of files.moreFont) {
    try {
      const part = await (await fetched(file)).arrayBuffer();
      instance.qtAddFallbackFont(new Uint8Array(part));
      fontForTitleBars(part);
      performance.mark(mark);
    } catch (error) {
      // The window works without it; a character it lacks shows as a box.
      console.warn(`Part of the font did not come: ${error.message}`);
      break;
    }
  }
  await program;
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
        entryFunction: entry,
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
