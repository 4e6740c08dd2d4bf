#!/usr/bin/env python3
"""PayPal's REST API as the Payment Links and Buttons reference documents it, on 127.0.0.1. Prints "PORT <n>",
then per call a JSON line: method, path, query, client, request id and "problems", its departures from the
documented headers, parameters and body (answered 400). The secret must be fake-secret; the client ID picks
the answer: fake-403, fake-422, fake-500 (500, then the link for the same request id), fake-500x2, fake-slow
(after --delay s), fake-429 (429 with Retry-After: 1, then the link), fake-429-3600, fake-endless (a token
answer that never ends), fake-crlf (a token with CR LF and a header after it), else the link; every create
answers after --create-delay s. Each client has links to list (page_size 1-100 first, then the page_token of
the `next` link), read and delete: those it made, and --links N made up (fake-list-N: N). --seed
BODY adds the active link a create of BODY makes to each client's list. GET /fake/deletes answers how many DELETEs
each id got. Stops at the end of its input or after ten minutes.
"""
import argparse, base64, contextlib, json, re, secrets, sys, threading, time, zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

ITEM = {"name", "product_id", "description", "unit_amount", "taxes", "shipping", "collect_shipping_address",
        "customer_notes", "variants"}
LINKS = "/v1/checkout/payment-resources"
ID = r"^[A-Z]{3}-[A-Z0-9]+$"
NAMES = ("Oak board", "Čaj 茶", "Walnut bowl", "Linen towel <b>&amp;</b>")
tokens, seen, store, pages, deletes = {}, {}, {}, {}, {}
lock = threading.Lock()


def resource(rid, name, price, currency, status, hour):
    """A link as the reference's answers hold it."""
    return {"id": rid, "payment_link": f"https://www.sandbox.paypal.com/ncp/payment/{rid[4:]}", "status": status,
            "create_time": f"2026-{1 + hour // 672 % 12:02d}-{1 + hour // 24 % 28:02d}T{hour % 24:02d}:00:00Z",
            "line_items": [{"name": name, "product_id": f"SKU-{hour}", "unit_amount": {"currency_code": currency,
                                                                                        "value": price}}]}


def links_of(client, made_up):
    """The client's links, made up on first use."""
    if client not in store:
        count = re.fullmatch(r"fake-list-(\d+)", client)
        count = int(count.group(1)) if count else made_up
        mark = f"{zlib.crc32(client.encode()):08X}"
        store[client] = {r["id"]: r for r in (resource(
            f"PLB-{mark}{i:05d}", f"{NAMES[i % len(NAMES)]} {i}", f"{i * 10}" if i % 3 == 2 else f"{i * 137 % 10000 / 100:.2f}",
            ("USD", "EUR", "JPY")[i % 3], "INACTIVE" if i % 7 == 6 else "ACTIVE", i) for i in range(count))}
        for i, body in enumerate(PayPal.seeds):
            store[client][f"PLB-SEED{mark}{i}"] = dict(json.loads(body), id=f"PLB-SEED{mark}{i}", status="ACTIVE",
                                                       payment_link=f"https://www.sandbox.paypal.com/ncp/payment/SEED{mark}{i}")
    return store[client]


def problems(body):
    """Departures from the create body of the reference's schema (schema.yaml, version 1.8)."""
    if not isinstance(body, dict) or not isinstance(body.get("line_items"), list) or len(body["line_items"]) != 1:
        return ["/line_items: one line item expected"]
    item, p = body["line_items"][0], []
    p += [f"/{k}: unknown" for k in set(body) - {"integration_mode", "type", "reusable", "return_url", "line_items"}]
    p += [f"/line_items/0/{k}: unknown" for k in set(item) - ITEM]
    p += [f"/{k}: must be {v}" for k, v in (("integration_mode", "LINK"), ("type", "BUY_NOW"),
                                              ("reusable", "MULTIPLE")) if body.get(k, v) != v or k not in body]
    url = urlparse(str(body.get("return_url", "http://optional")))
    p += [] if url.scheme in ("http", "https") and url.netloc else ["/return_url: not a URI"]
    p += [] if isinstance(item.get("name"), str) and isinstance(item.get("product_id", ""), str) else ["name: string"]
    amount = item.get("unit_amount", {})
    p += [] if re.match(r"^[A-Z]{3}$", str(amount.get("currency_code"))) else ["currency_code: ISO-4217"]
    value = amount.get("value")
    p += [] if re.match(r"^((-?[0-9]+)|(-?([0-9]+)?[.][0-9]+))$", str(value)) and type(value) is str else ["value"]
    p += [] if isinstance(item.get("collect_shipping_address", False), bool) else ["collect_shipping_address"]
    for note in item.get("customer_notes", []):
        if set(note) - {"label", "required"} or not isinstance(note.get("label", ""), str) or \
                not isinstance(note.get("required", False), bool):
            p.append("customer_notes: label (string) and required (boolean) only")
    return p


def invalid(p):
    return 400, {"name": "INVALID_REQUEST", "details": [{"issue": "INVALID_PARAMETER", "description": i} for i in p]}


class PayPal(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    extra = {}
    seeds = []

    def answer(self):
        url, method = urlparse(self.path), self.command
        if url.path == "/fake/deletes":
            with lock:
                return self.reply(200, dict(deletes))
        raw = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        kind, _, credential = self.headers.get("Authorization", "").partition(" ")
        call = {"method": method, "path": url.path, "query": parse_qs(url.query, keep_blank_values=True),
                "client": None, "request_id": self.headers.get("PayPal-Request-Id"), "problems": []}
        call["problems"] += ["X-Injected: a header out of an answer"] if "X-Injected" in self.headers else []
        self.extra = {}
        with lock:
            status, answer = self.token(kind, credential, raw, call) if url.path == "/v1/oauth2/token" else \
                self.create(kind, credential, raw, call) if method == "POST" else \
                self.manage(method, url.path, kind, credential, raw, call)
        with lock:  # one whole line per call, also when calls come at once
            print(json.dumps(call), flush=True)
        if call["client"] == "fake-endless" and status == 200:
            return self.endless()
        if call["client"] == "fake-slow" and status == 201:
            time.sleep(self.server.delay)
        if method == "POST" and url.path == LINKS:
            time.sleep(self.server.create_delay)
        if method == "GET" and url.path == LINKS:
            time.sleep(self.server.page_delay)
        self.reply(status, answer)

    do_POST = do_GET = do_DELETE = answer

    def endless(self):
        self.send_response(200), self.send_header("Connection", "close"), self.end_headers()
        with contextlib.suppress(OSError):  # until the client hangs up
            while True:
                self.wfile.write(b'{"access_token":"' + b"A" * 65536)

    def reply(self, status, answer):
        data = b"" if status == 204 else json.dumps(answer).encode()
        self.send_response(status)
        for header in self.extra.items():
            self.send_header(*header)
        if data:
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def token(self, kind, credential, raw, call):
        call["client"], _, secret = base64.b64decode(credential).decode().partition(":")
        if kind != "Basic" or raw != b"grant_type=client_credentials" or \
                self.headers.get("Content-Type") != "application/x-www-form-urlencoded":
            call["problems"].append("token: Basic, form-encoded grant_type=client_credentials expected")
        if secret != "fake-secret":
            return 401, {"error": "invalid_client", "error_description": "Client Authentication failed"}
        token = f"fake-token-{len(tokens) + 1}"
        tokens[token] = call["client"]
        token += "\r\nX-Injected: yes" if call["client"] == "fake-crlf" else ""
        return 200, {"scope": "https://uri.paypal.com/services/checkout/payment-resources", "access_token": token,
                     "token_type": "Bearer", "app_id": "APP-FAKE", "expires_in": 32400}

    def create(self, kind, credential, raw, call):
        client = call["client"] = tokens.get(credential) if kind == "Bearer" else None
        rid = call["request_id"] or ""
        if client is None or self.path != "/v1/checkout/payment-resources":
            return 401, {"name": "AUTHENTICATION_FAILURE", "message": "Authentication failed"}
        if self.headers.get("Content-Type") != "application/json" or not re.match(r"^[0-9a-zA-Z_-]{1,108}$", rid):
            call["problems"].append("create: JSON and a PayPal-Request-Id expected")
        try:
            call["problems"] += problems(json.loads(raw))
        except ValueError:
            call["problems"].append("create: not JSON")
        if call["problems"]:
            return 400, {"name": "INVALID_REQUEST", "details": [{"field": p.split(":")[0], "issue": "INVALID_PARAMETER",
                                                                  "description": p} for p in call["problems"]]}
        seen[rid] = seen.get(rid, 0) + 1
        if client == "fake-403":
            return 403, {"name": "NOT_AUTHORIZED", "message": "Authorization failed due to insufficient permissions."}
        if client == "fake-422":
            return 422, {"name": "UNPROCESSABLE_ENTITY", "details": [{"field": "/line_items/0/unit_amount/value",
                "issue": "DECIMAL_PRECISION", "description": "The value of the field should not have more than 2 decimal "
                "places."}, {"field": "/line_items/0/name", "issue": "INVALID_STRING_LENGTH"},
                {"field": "/reusable", "issue": "INVALID_PARAMETER_VALUE", "description": "Not allowed."}]}
        if client == "fake-429-3600" or (client == "fake-429" and seen[rid] == 1):
            self.extra["Retry-After"] = client[9:] or "1"
            return 429, {"name": "RATE_LIMIT_REACHED", "message": "Too many requests. Blocked due to rate limiting."}
        if client == "fake-500x2" or (client == "fake-500" and seen[rid] == 1):
            return 500, {"name": "INTERNAL_SERVER_ERROR", "message": "An internal server error has occurred."}
        link = f"FAKE{sum(map(ord, rid)) * 7919 % 10**8:08d}"
        made = dict(json.loads(raw), id=f"PLB-{link}", status="ACTIVE", create_time="2026-12-09T16:00:00Z",
                    payment_link=f"https://www.sandbox.paypal.com/ncp/payment/{link}")
        links_of(client, self.server.links)[made["id"]] = made
        return 201, made

    def manage(self, method, path, kind, credential, raw, call):
        """List (GET on the collection), read (GET on an id) and delete."""
        client = call["client"] = tokens.get(credential) if kind == "Bearer" else None
        rid = path[len(LINKS) + 1:] if path.startswith(LINKS + "/") else None
        if client is None:
            return 401, {"name": "AUTHENTICATION_FAILURE", "message": "Authentication failed"}
        p = call["problems"]
        p += [] if "application/json" in self.headers.get("Accept", "") else ["Accept: application/json expected"]
        p += [] if not raw and "Content-Type" not in self.headers else ["no body expected"]
        p += [] if (path, method) == (LINKS, "GET") or rid and re.match(ID, rid) and len(rid) <= 127 else \
            [f"{method} {path}: GET {LINKS} or {LINKS}/ID expected"]
        own = links_of(client, self.server.links)
        if rid is None:
            return self.listing(client, own, call)
        if p:
            return invalid(p)
        if method == "DELETE":
            deletes[rid] = deletes.get(rid, 0) + 1
        if rid not in own:
            return 404, {"name": "RESOURCE_NOT_FOUND", "message": "The specified resource does not exist."}
        if method == "DELETE":
            del own[rid]
            return 204, None
        return 200, own[rid]

    def listing(self, client, own, call):
        query, p = call["query"], call["problems"]
        p += [f"{k}: unknown parameter" for k in set(query) - {"page_size", "page_token", "total_required"}]
        p += [f"{k}: once" for k, v in query.items() if len(v) != 1]
        size, offset = query.get("page_size", ["10"])[0], 0
        if "page_token" in query:
            p += ["page_size: on the first request only"] if "page_size" in query else []
            page = pages.get(query["page_token"][0])
            p += ["page_token: not one this client was given"] if page is None or page[0] != client else []
            _, offset, size = page or (client, 0, 10)
        elif not re.fullmatch(r"[0-9]{1,3}", size) or not 1 <= int(size) <= 100:
            p.append("page_size: 1 to 100")
        if p:
            return invalid(p)
        size, items, base = int(size), list(own.values()), f"http://{self.headers['Host']}{LINKS}"
        answer = {"resources": items[offset:offset + size], "links": [{"href": base, "rel": "self", "method": "GET"}]}
        if offset + size < len(items):
            token = f"PT{secrets.token_hex(12)}"
            pages[token] = (client, offset + size, size)
            answer["links"].append({"href": f"{base}?page_token={token}", "rel": "next", "method": "GET"})
        return 200, answer


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--delay", type=float, default=5.0, help="seconds fake-slow takes")
    parser.add_argument("--page-delay", type=float, default=0.0, help="seconds each page of a list takes")
    parser.add_argument("--links", type=int, default=0, help="links made up for each client")
    parser.add_argument("--create-delay", type=float, default=0.0, help="seconds each create takes")
    parser.add_argument("--seed", action="append", default=[], help="the create body of an active link")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), PayPal)
    server.daemon_threads, server.delay, server.page_delay, server.links = True, args.delay, args.page_delay, args.links
    server.create_delay, PayPal.seeds = args.create_delay, args.seed
    threading.Thread(target=lambda: (sys.stdin.read(), server.shutdown()), daemon=True).start()
    threading.Thread(target=lambda: (time.sleep(600), server.shutdown()), daemon=True).start()
    print(f"PORT {server.server_address[1]}", flush=True)
    server.serve_forever()
