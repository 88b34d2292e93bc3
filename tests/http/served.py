"""A real kzr-appserver with its HTTP port on loopback, and the API's description to check
answers against. Standard library and Debian's python3-jsonschema only."""
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

import jsonschema


class Server:
    def __init__(self, program, *extra):
        self.program = program
        self.dir = tempfile.TemporaryDirectory()
        self.database = "sqlite:" + os.path.join(self.dir.name, "kzr.sqlite")
        self.process = subprocess.Popen(
            [program, "--listen", "127.0.0.1:0", "--http", "127.0.0.1:0", "--database", self.database,
             "--insecure-password-cost-for-tests", *extra],
            stderr=subprocess.PIPE, text=True)
        self.base = None
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            line = self.process.stderr.readline()
            if not line:
                break
            found = re.search(r"API HTTP em (http://[^ ]+)/api/v1", line)
            if found:
                self.base = found.group(1)
            if "pronto em" in line:
                break
        if not self.base:
            self.stop()
            sys.exit("the server did not start its HTTP port")

    def add_user(self, name, role, password):
        subprocess.run([self.program, "user", "add", name, "--role", role, "--database", self.database,
                        "--insecure-password-cost-for-tests"], input=password + "\n", text=True,
                       check=True, capture_output=True)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=20)
        self.dir.cleanup()


class Api:
    """Calls the API and checks every answer against the OpenAPI description."""

    def __init__(self, base, description_file):
        self.base = base
        self.spec = json.load(open(description_file, encoding="utf-8"))
        self.resolver = jsonschema.RefResolver.from_schema(self.spec)
        self.templates = [(re.compile("^" + re.sub(r"\{[^}]+\}", "[^/]+", path) + "$"), path)
                          for path in self.spec["paths"]]
        self.checked = 0

    def call(self, method, path, body=None, token=None, headers=None, raw=None):
        data = raw if raw is not None else (json.dumps(body).encode() if body is not None else None)
        request = urllib.request.Request(path if path.startswith("http") else self.base + "/api/v1" + path,
                                         data=data, method=method)
        if data is not None:
            request.add_header("Content-Type", "application/json")
        if token:
            request.add_header("Authorization", "Bearer " + token)
        for key, value in (headers or {}).items():
            request.add_header(key, value)
        try:
            with urllib.request.urlopen(request, timeout=60) as response:
                status, answer_headers, payload = response.status, response.headers, response.read()
        except urllib.error.HTTPError as error:
            status, answer_headers, payload = error.code, error.headers, error.read()
        answer = json.loads(payload) if payload else None
        self.conforms(method, request.full_url, status, answer_headers.get("Content-Type"), answer)
        return status, answer_headers, answer

    def conforms(self, method, url, status, content_type, answer):
        path = re.sub(r"\?.*$", "", url.split("/api/v1", 1)[1])
        template = next((t for pattern, t in self.templates if pattern.match(path)), None)
        assert template, f"{path} is not described"
        operation = self.spec["paths"][template][method.lower()]
        response = operation["responses"].get(str(status))
        assert response, f"{method} {template} answered {status}, which is not described"
        response = self.resolve(response)
        if answer is None:
            assert "content" not in response, f"{method} {template} {status} has no body"
            return
        media = content_type.split(";")[0]
        assert media in response["content"], f"{method} {template} {status}: {media}"
        jsonschema.Draft202012Validator(response["content"][media]["schema"],
                                        resolver=self.resolver).validate(answer)
        self.checked += 1

    def resolve(self, item):
        while "$ref" in item:
            item = self.resolver.resolve(item["$ref"])[1]
        return item
