"""Round trip of every endpoint of the HTTP API with Python's standard library, both roles,
each answer checked against the OpenAPI description.
    api_test.py KZR_APPSERVER OPENAPI_JSON"""
import os
import sqlite3
import subprocess
import sys
import urllib.parse

from served import Api, Server

server = Server(sys.argv[1], "--statement-timeout", "1", "--max-frame-bytes", "65536")
failures = []


def expect(what, got, wanted):
    if got != wanted:
        failures.append(f"{what}: got {got!r}, wanted {wanted!r}")


try:
    server.add_user("ana", "read-only", "senha da ana")
    api = Api(server.base, sys.argv[2])
    call = api.call

    status, _, answer = call("POST", "/sessions", {"user": "demo", "password": "errada"})
    expect("wrong password", (status, answer["detail"]), (401, "Usuário ou senha inválidos."))
    status, _, demo = call("POST", "/sessions", {"user": "demo", "password": "demo"})
    expect("maintainer logs in", (status, demo["role"]), (201, "maintain"))
    status, _, ana = call("POST", "/sessions", {"user": "ana", "password": "senha da ana"})
    expect("reader logs in", (status, ana["role"]), (201, "read-only"))
    maintain, read = demo["token"], ana["token"]
    expect("no token", call("GET", "/dimensions")[0], 401)

    # Lists: paged with next, filtered.
    status, _, page = call("GET", "/dimensions?limit=2", token=read)
    expect("first page", [d["code"] for d in page["items"]], ["00001", "00002"])
    _, _, rest = call("GET", page["next"], token=read)
    expect("next page", [d["code"] for d in rest["items"]], ["00003", "00004"])
    _, _, found = call("GET", "/dimensions?q=" + urllib.parse.quote("vendedor"), token=read)
    expect("filter", [(d["code"], d["parentField"]) for d in found["items"]], [("00005", "CDSUPERVISOR")])

    status, headers, one = call("GET", "/dimensions/3", token=read)
    expect("one by its short code", (status, one["code"], one["inWarehouse"]), (200, "00003", True))
    expect("unknown code", call("GET", "/dimensions/99", token=read)[0], 404)

    new = {"code": "12", "name": "Regiões do país", "table": "REGIAO", "keyField": "CDREGIAO",
           "attributeField": "NMREGIAO", "parentField": None, "inWarehouse": False}
    status, _, refused = call("POST", "/dimensions", new, token=read)
    expect("reader may not write", (status, "somente de leitura" in refused["detail"]), (403, True))
    status, headers, created = call("POST", "/dimensions", new, token=maintain)
    expect("created", (status, created["code"], headers["Location"].endswith("/dimensions/00012")),
           (201, "00012", True))
    etag = headers["ETag"]
    status, _, clash = call("POST", "/dimensions", dict(new, code="13"), token=maintain)
    expect("name taken", (status, clash["detail"]),
           (409, 'Dimensão 00013: Nome já cadastrado. Nada foi gravado.'))

    renamed = dict(new, name="Regiões")
    expect("write without If-Match", call("PUT", "/dimensions/12", renamed, token=maintain)[0], 428)
    status, headers, saved = call("PUT", "/dimensions/12", renamed, token=maintain, headers={"If-Match": etag})
    expect("renamed", (status, saved["name"], headers["ETag"] != etag), (200, "Regiões", True))
    status, _, stale = call("PUT", "/dimensions/12", new, token=maintain, headers={"If-Match": etag})
    expect("stale If-Match", (status, stale["current"]["name"]), (412, "Regiões"))
    etag = headers["ETag"]
    status, _, broken = call("PUT", "/dimensions/12", dict(renamed, table="USUARIOSERVIDOR"),
                             token=maintain, headers={"If-Match": etag})
    expect("broken dimension", (status, broken["detail"]),
           (400, 'Dimensão 00012: Tabela "USUARIOSERVIDOR" inválida. Nada foi gravado.'))
    status, _, wrong = call("PUT", "/dimensions/12", dict(renamed, inWarehouse="S"), token=maintain,
                            headers={"If-Match": etag})
    expect("flag of the wrong kind", status, 400)

    # Extras: over a column of the table that is none of the dimension's own fields.
    with sqlite3.connect(server.database[len("sqlite:"):]) as application:
        application.execute("ALTER TABLE REGIAO ADD COLUMN SGREGIAO VARCHAR(2)")
    status, headers, extra = call("POST", "/dimensions/12/extras", {"field": "SGREGIAO", "name": "Sigla"},
                                  token=maintain)
    expect("extra created", (status, extra), (201, {"field": "SGREGIAO", "name": "Sigla"}))
    status, headers, extra = call("PUT", "/dimensions/12/extras/SGREGIAO", {"name": "Sigla da região"},
                                  token=maintain, headers={"If-Match": headers["ETag"]})
    expect("extra renamed", (status, extra["name"]), (200, "Sigla da região"))
    _, _, extras = call("GET", "/dimensions/12/extras", token=read)
    expect("extras listed", [e["field"] for e in extras["items"]], ["SGREGIAO"])
    status, _, kept = call("DELETE", "/dimensions/12", token=maintain, headers={"If-Match": etag})
    expect("dimension with extras", (status, "possui atributos extras" in kept["detail"]), (409, True))
    status = call("DELETE", "/dimensions/12/extras/SGREGIAO", token=maintain,
                  headers={"If-Match": headers["ETag"]})[0]
    expect("extra deleted", status, 204)

    # History, then a restore of the version before the rename, rehearsed and then made.
    _, _, history = call("GET", "/dimensions/12/history", token=read)
    expect("history", [(h["operation"], h["kind"]) for h in history["items"]],
           [("delete", "extra"), ("modify", "extra"), ("insert", "extra"), ("modify", "dimension"),
            ("insert", "dimension")])
    first = history["items"][-1]["when"]
    status, _, rehearsed = call("POST", "/dimensions/12/restore?dryRun=true", {"at": first}, token=maintain)
    expect("restore rehearsed", (status, rehearsed["dryRun"], call("GET", "/dimensions/12", token=read)[2]["name"]),
           (200, True, "Regiões"))
    expect("reader may not restore", call("POST", "/dimensions/12/restore", {"at": first}, token=read)[0], 403)
    status, _, restored = call("POST", "/dimensions/12/restore", {"at": first}, token=maintain)
    expect("restored", (status, restored["dimension"]["name"]), (200, "Regiões do país"))

    # The data behind a dimension.
    _, _, profile = call("GET", "/dimensions/3/profile", token=read)
    expect("profile", (profile["measures"]["LINHAS"], profile["problems"]), (6, []))
    status, _, top = call("GET", "/dimensions/3/members?limit=1", token=read)
    expect("top level, one a page", [(m["key"], m["children"]) for m in top["items"]], [("1", 2)])
    _, _, more = call("GET", top["next"], token=read)
    expect("next page of the top", [m["key"] for m in more["items"]], ["4"])
    _, _, children = call("GET", "/dimensions/3/members?parent=1", token=read)
    expect("children", ([m["name"] for m in children["items"]], children["next"]), (["Bebidas", "Mercearia"], None))
    _, _, search = call("GET", "/dimensions/3/members/search?text=suc", token=read)
    expect("search", [(m["name"], m["path"]) for m in search["items"]], [("Sucos", ["1", "2", "6"])])
    # A dimension over a table dropped behind the server's back.
    with sqlite3.connect(server.database[len("sqlite:"):]) as behind:
        behind.execute("INSERT INTO DIMENSAODIME VALUES ('N', '00020', 'Sem tabela', 'NADA', 'CDNADA', 'NMNADA', NULL)")
    status, _, missing = call("GET", "/dimensions/20/members", token=read)
    expect("members of a missing table", (status, missing.get("detail")), (409, 'a tabela "NADA" não existe'))
    _, _, check = call("GET", "/check", token=read)
    expect("check", ([i["code"] for i in check["items"] if not i["ok"]], check["problems"]), (["00020"], True))

    # Limits: the body size of the clients' port, and the statement deadline.
    status, _, big = call("POST", "/dimensions", raw=b"{" + b" " * 70000 + b"}", token=maintain)
    expect("body over the limit", status, 413)
    holder = sqlite3.connect(server.database[len("sqlite:"):], timeout=5)
    holder.execute("BEGIN IMMEDIATE")
    _, headers, current = call("GET", "/dimensions/4", token=read)
    status, _, late = call("PUT", "/dimensions/4", dict(current, name="Cidades do Brasil"), token=maintain,
                           headers={"If-Match": headers["ETag"]})
    holder.rollback()
    expect("deadline", (status, late["detail"].startswith("O banco de dados não respondeu em 1 s")), (503, True))

    # The README's first lines, with curl as a user types them.
    readme = open(os.path.join(os.path.dirname(__file__), "../../README.md"), encoding="utf-8").read()
    lines = [line for line in readme.splitlines() if line.startswith(("token=$(curl", "curl "))]
    port = urllib.parse.urlsplit(server.base).port
    shell = "\n".join(lines).replace("127.0.0.1:21203", f"127.0.0.1:{port}")
    typed = subprocess.run(["bash", "-ec", shell], capture_output=True, text=True, timeout=60).stdout
    expect("README's curl lines", ('"code":"00005"' in typed, "ETag: " in typed), (True, True))

    expect("logout", call("DELETE", "/sessions/current", token=maintain)[0], 204)
    expect("token after logout", call("GET", "/dimensions", token=maintain)[0], 401)
    _, _, description = call("GET", "/openapi.json")
    expect("description", description["openapi"], "3.1.0")
    print(f"{api.checked} answers checked against the description")
finally:
    server.stop()

for failure in failures:
    print("FAIL", failure)
print(f"api_test: {0 if failures else 1} passed, {1 if failures else 0} failed")
sys.exit(1 if failures else 0)
