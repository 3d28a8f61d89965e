#include "status_page.h"

#include "lxi_identification.h"

namespace kteval::network {

namespace {

// The window's look: Qt's Fusion palette (window #efefef, tab pane #fafafa,
// frames #b4b4b4), the DejaVu Sans face, value labels white in a 1 px black
// box, captions bold.
constexpr const char* kStyle = R"css(
body { margin: 0; background: #efefef; color: #000;
  font: 12px "DejaVu Sans", "Bitstream Vera Sans", Verdana, sans-serif; }
header { background: #fafafa; border-bottom: 1px solid #b4b4b4; padding: 6px 12px; }
h1 { font-size: 13px; font-weight: bold; margin: 0; }
main { padding: 8px 12px; display: flex; flex-wrap: wrap; gap: 12px; align-items: flex-start; }
fieldset { background: #fafafa; border: 1px solid #b4b4b4; border-radius: 2px;
  padding: 6px 10px 10px; margin: 0; }
legend { padding: 0 3px; }
th { font-weight: bold; text-align: right; padding: 2px 6px 2px 0; white-space: nowrap; }
td { padding: 2px 4px; }
.value { background: #fff; border: 1px solid #000; text-align: center;
  font-variant-numeric: tabular-nums; min-width: 4em; }
table.channels th { text-align: center; }
table.channels td.dac { font-weight: bold; text-align: right; }
#state { padding: 0 12px 8px; color: #555; }
#state.lost { color: #b00000; font-weight: bold; }
)css";

// Fills the page from /status.json, then again every half second.
constexpr const char* kScript = R"js(
const hex = (code, bits) =>
  code.toString(16).toUpperCase().padStart(Math.ceil(bits / 4), "0");
function cell(row, text, kind) {
  const td = row.insertCell();
  td.textContent = text;
  if (kind) td.className = kind;
  return td;
}
function show(s) {
  document.getElementById("caption").textContent = s.caption || "kteval";
  document.getElementById("part").textContent = s.part || "(none chosen)";
  document.getElementById("board").textContent = s.board;
  document.getElementById("link").textContent = s.simulated ? "simulated" : "USB";
  document.getElementById("version").textContent = s.version;
  document.getElementById("resources").textContent = s.resources.join("\n") || "(none)";
  const clients = document.getElementById("clients");
  clients.replaceChildren();
  for (const c of s.clients) {
    const row = clients.insertRow();
    cell(row, c.protocol);
    cell(row, c.peer, "value");
  }
  if (!s.clients.length) cell(clients.insertRow(), "none");
  const channels = document.getElementById("channels");
  channels.replaceChildren();
  const bits = Math.max(s.bits, 16);
  for (const ch of s.channels) {
    const row = channels.insertRow();
    row.id = "dac" + ch.number;
    cell(row, "DAC" + ch.number, "dac");
    for (const code of [ch.x1a, ch.x1b, ch.m, ch.c]) cell(row, hex(code, bits), "value");
    cell(row, ch.effectiveText + " (X2" + ch.mux + ")", "value");
    cell(row, ch.volts + " V", "value volts");
  }
}
async function poll() {
  const state = document.getElementById("state");
  try {
    const answer = await fetch("/status.json", {cache: "no-store"});
    show(await answer.json());
    state.className = "";
    state.textContent = "Updated " + new Date().toLocaleTimeString();
  } catch (e) {
    state.className = "lost";
    state.textContent = "kteval does not answer";
  }
  setTimeout(poll, 500);
}
poll();
)js";

}  // namespace

std::string statusPageHtml(const NetworkIdentity& identity) {
    const std::string title =
        xmlEscaped(identity.manufacturer + " " + identity.model + " " + identity.serial);
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    html += "<title>" + title + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    html += "<header><h1 id=\"caption\">" + title + "</h1></header>\n<main>\n";
    html += R"(<fieldset><legend>Instrument</legend><table>
<tr><th>Manufacturer:</th><td class="value">)" +
            xmlEscaped(identity.manufacturer) + R"(</td></tr>
<tr><th>Part:</th><td class="value" id="part"></td></tr>
<tr><th>Board:</th><td class="value" id="board"></td></tr>
<tr><th>Board link:</th><td class="value" id="link"></td></tr>
<tr><th>Version:</th><td class="value" id="version"></td></tr>
<tr><th>VISA resources:</th><td class="value" id="resources" style="white-space: pre"></td></tr>
<tr><th>Identification:</th><td><a href="/lxi/identification">/lxi/identification</a></td></tr>
</table></fieldset>
<fieldset><legend>Clients</legend><table id="clients"></table></fieldset>
<fieldset><legend>Channels</legend><table class="channels">
<thead><tr><th></th><th>X1A</th><th>X1B</th><th>M</th><th>C</th><th>Effective</th><th>Output</th></tr></thead>
<tbody id="channels"></tbody></table></fieldset>
</main>
<div id="state">Reading the status...</div>
<script>)" + kScript +
            "</script>\n</body>\n</html>\n";
    return html;
}

}  // namespace kteval::network
