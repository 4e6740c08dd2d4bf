#!/usr/bin/env python3
"""PayPal's REST API as the Payment Links and Buttons reference documents it, on 127.0.0.1. Prints
"PORT <n>", then per call a JSON line: path, client, request id and "problems", its departures from
the documented headers and body (answered 400). The secret must be fake-secret; the client ID picks
the answer: fake-403, fake-422, fake-500 (500, then the link for the same request id), fake-500x2,
fake-slow (after --delay s), else the link. Stops at the end of its input or after ten minutes.
"""
import argparse, base64, json, re, sys, threading, time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlparse

ITEM = {"name", "product_id", "description", "unit_amount", "taxes", "shipping", "collect_shipping_address",
        "customer_notes", "variants"}
tokens, seen = {}, {}


def problems(body):
    """Departures from the create body of the reference's schema (schema.yaml, version 1.8)."""
    if not isinstance(body, dict) or not isinstance(body.get("line_items"), list) or len(body["line_items"]) != 1:
        return ["/line_items: one line item expected"]
    item, p = body["line_items"][0], []
    p += [f"/{k}: unknown" for k in set(body) - {"integration_mode", "type", "reusable", "return_url", "line_items"}]
    p += [f"/line_items/0/{k}: unknown" for k in set(item) - ITEM]
    p += [f"/{k}: must be {v}" for k, v in (("integration_mode", "LINK"), ("type", "BUY_NOW"),
                                              ("reusable", "MULTIPLE")) if body.get(k, v) != v or k not in body]
    url = urlparse(str(body.get("return_url", "")))
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


class PayPal(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_POST(self):
        raw = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        kind, _, credential = self.headers.get("Authorization", "").partition(" ")
        call = {"path": self.path, "client": None, "request_id": self.headers.get("PayPal-Request-Id"), "problems": []}
        status, answer = self.token(kind, credential, raw, call) if self.path == "/v1/oauth2/token" else \
            self.create(kind, credential, raw, call)
        print(json.dumps(call), flush=True)
        if call["client"] == "fake-slow" and status == 201:
            time.sleep(self.server.delay)
        data = json.dumps(answer).encode()
        self.send_response(status)
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
        if client == "fake-500x2" or (client == "fake-500" and seen[rid] == 1):
            return 500, {"name": "INTERNAL_SERVER_ERROR", "message": "An internal server error has occurred."}
        link = f"FAKE{sum(map(ord, rid)) * 7919 % 10**8:08d}"
        return 201, dict(json.loads(raw), id=f"PLB-{link}", status="ACTIVE", create_time="2026-12-09T16:00:00Z",
                         payment_link=f"https://www.sandbox.paypal.com/ncp/payment/{link}")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--delay", type=float, default=5.0, help="seconds fake-slow takes")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), PayPal)
    server.daemon_threads, server.delay = True, args.delay
    threading.Thread(target=lambda: (sys.stdin.read(), server.shutdown()), daemon=True).start()
    threading.Thread(target=lambda: (time.sleep(600), server.shutdown()), daemon=True).start()
    print(f"PORT {server.server_address[1]}", flush=True)
    server.serve_forever()
