"use strict";
// The read-only page: everything it shows comes from /api/v1 with the session's token.
const api = "/api/v1";
const $ = (id) => document.getElementById(id);
let token = sessionStorage.getItem("token");
let nextDimensions = null;

function show(text) { $("message").textContent = text || ""; }

async function call(path, options = {}) {
  const headers = { "Accept": "application/json" };
  if (token) headers["Authorization"] = "Bearer " + token;
  if (options.body) headers["Content-Type"] = "application/json";
  const response = await fetch(path.startsWith("http") ? path : api + path,
                               { method: options.method || "GET", headers, body: options.body });
  if (response.status === 204) return null;
  const body = await response.json();
  if (!response.ok) {
    if (response.status === 401 && path !== "/sessions") loggedOut();
    throw new Error(body.detail || response.statusText);
  }
  return body;
}

function element(tag, text, attributes = {}) {
  const e = document.createElement(tag);
  if (text !== undefined && text !== null) e.textContent = text;
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  return e;
}

function loggedOut() {
  token = null;
  sessionStorage.removeItem("token");
  $("login").hidden = false;
  $("dimensions").hidden = $("dimension").hidden = $("logout").hidden = true;
  $("who").textContent = "";
  $("user").focus();
}

async function login(event) {
  event.preventDefault();
  show("");
  try {
    const session = await call("/sessions", { method: "POST",
      body: JSON.stringify({ user: $("user").value, password: $("password").value }) });
    token = session.token;
    sessionStorage.setItem("token", token);
    sessionStorage.setItem("who", $("user").value + " (" + session.role + ")");
    $("password").value = "";
    start();
  } catch (e) { show(e.message); }
}

async function logout() {
  try { await call("/sessions/current", { method: "DELETE" }); } catch (e) { /* gone already */ }
  loggedOut();
}

function start() {
  $("login").hidden = true;
  $("logout").hidden = false;
  $("who").textContent = sessionStorage.getItem("who") || "";
  $("dimensions").hidden = false;
  $("dimension-rows").replaceChildren();
  listDimensions("/dimensions?q=" + encodeURIComponent($("filter").value));
}

async function listDimensions(url) {
  try {
    const page = await call(url);
    for (const d of page.items) {
      const row = element("tr");
      const open = element("button", d.code, { "class": "link", "data-code": d.code });
      open.addEventListener("click", () => openDimension(d));
      const cell = element("td"); cell.append(open); row.append(cell);
      row.append(element("td", d.name), element("td", d.table));
      const profile = element("td", "…", { "data-profile": d.code });
      row.append(profile);
      $("dimension-rows").append(row);
      call("/dimensions/" + d.code + "/profile").then((p) => {
        profile.textContent = p.summary;
        if (p.problems.length) { profile.classList.add("problem"); profile.title = p.problems.join("; "); }
      }, (e) => { profile.textContent = e.message; profile.classList.add("problem"); });
    }
    nextDimensions = page.next;
    $("more-dimensions").hidden = !page.next;
  } catch (e) { show(e.message); }
}

async function openDimension(d) {
  $("dimension").hidden = false;
  $("dimension-title").textContent = d.code + " " + d.name;
  $("dimension-fields").textContent = "Tabela " + (d.table || "-") + " · chave " + (d.keyField || "-") +
    " · atributo " + (d.attributeField || "-") + " · pai " + (d.parentField || "-") +
    (d.inWarehouse ? " · no cubo" : " · fora do cubo");
  $("dimension").dataset.code = d.code;
  $("found").replaceChildren();
  $("tree").replaceChildren();
  loadMembers(d.code, $("tree"), null, null);
  history(d.code);
  $("dimension-title").tabIndex = -1;
  $("dimension-title").focus();
}

// One page of members into the list; a button at its end fetches the next.
async function loadMembers(code, list, parent, after) {
  let url = "/dimensions/" + code + "/members?limit=50";
  if (parent !== null) url += "&parent=" + encodeURIComponent(parent);
  if (after !== null) url += "&after=" + encodeURIComponent(after);
  try {
    const page = await call(url);
    for (const m of page.items) list.append(memberItem(code, m));
    if (page.items.length === 0 && parent === null) list.append(element("li", "Nenhum membro."));
    if (page.next) {
      const item = element("li");
      const more = element("button", "Mais membros", { "class": "link" });
      more.addEventListener("click", () => {
        item.remove();
        loadMembers(code, list, parent, page.items[page.items.length - 1].key);
      });
      item.append(more);
      list.append(item);
    }
  } catch (e) { list.append(element("li", e.message, { "class": "problem" })); }
}

function memberItem(code, m) {
  const item = element("li", null, { role: "treeitem" });
  const label = (m.key + " " + (m.name ?? "")).trim();
  if (m.children > 0) {
    const toggle = element("button", "▸ " + label, { "class": "link", "aria-expanded": "false" });
    const group = element("ul", null, { role: "group" });
    group.hidden = true;
    toggle.addEventListener("click", () => {
      const opening = toggle.getAttribute("aria-expanded") === "false";
      toggle.setAttribute("aria-expanded", String(opening));
      toggle.textContent = (opening ? "▾ " : "▸ ") + label;
      group.hidden = !opening;
      if (opening && !group.dataset.loaded) {
        group.dataset.loaded = "1";
        loadMembers(code, group, m.key, null);
      }
    });
    item.append(toggle, element("span", " (" + m.children + ")"), group);
  } else {
    item.append(element("span", label));
  }
  const words = { repeated: "chave repetida", cycle: "ciclo", orphan: "órfão" };
  if (m.situation) item.append(element("span", " " + words[m.situation], { "class": "situation" }));
  return item;
}

async function search(event) {
  event.preventDefault();
  const code = $("dimension").dataset.code;
  $("found").replaceChildren();
  try {
    const found = await call("/dimensions/" + code + "/members/search?text=" +
                             encodeURIComponent($("search-text").value));
    if (found.items.length === 0) $("found").append(element("li", "Nenhum membro encontrado."));
    for (const m of found.items)
      $("found").append(element("li", m.key + " " + (m.name ?? "") + " — caminho: " + m.path.join(" › ")));
  } catch (e) { $("found").append(element("li", e.message, { "class": "problem" })); }
}

async function history(code) {
  $("history-rows").replaceChildren();
  try {
    const entries = await call("/dimensions/" + code + "/history");
    if (entries.items.length === 0) {
      const row = element("tr"); row.append(element("td", "Nenhuma alteração registrada.", { colspan: "5" }));
      $("history-rows").append(row);
    }
    for (const h of entries.items) {
      const row = element("tr");
      row.append(element("td", h.when), element("td", h.user), element("td", h.operation),
                 element("td", h.record), element("td", h.changed.join(", ")));
      $("history-rows").append(row);
    }
  } catch (e) { show(e.message); }
}

document.addEventListener("DOMContentLoaded", () => {
  $("login").addEventListener("submit", login);
  $("logout").addEventListener("click", logout);
  $("search").addEventListener("submit", search);
  $("more-dimensions").addEventListener("click", () => listDimensions(nextDimensions));
  let typing = null;
  $("filter").addEventListener("input", () => { clearTimeout(typing); typing = setTimeout(start, 250); });
  if (token) start(); else loggedOut();
});
