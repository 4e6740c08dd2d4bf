#!/usr/bin/env python3
"""PayPal's REST API as the Payment Links and Buttons reference documents it, on the
loopback interface only, for the tests and the bench. Standard library only.

Prints "PORT <n>", then one JSON line per request: its path, client ID and request id,
and every way it departs from the documented headers and create body ("problems"; a
create body with problems is answered 400, as PayPal would). The secret must be
"fake-secret"; the client ID chooses the answer: fake-403, fake-422, fake-500 (500,
then the link for the same PayPal-Request-Id), fake-500x2, fake-slow (after --delay
seconds), fake-garbled, fake-http-link; anything else gets the link. Exits when its
standard input closes, or after --lifetime seconds.
"""
import argparse, base64, json, re, sys, threading, time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlparse

CODE, VALUE = re.compile(r"^[A-Z0-9_]+$"), re.compile(r"^((-?[0-9]+)|(-?([0-9]+)?[.][0-9]+))$")
REQUEST_ID, CURRENCY = re.compile(r"^[0-9a-zA-Z_-]{1,108}$"), re.compile(r"^[A-Z]{3}$")
ITEM_FIELDS = {"name", "product_id", "description", "unit_amount", "taxes", "shipping",
               "collect_shipping_address", "customer_notes", "variants"}
tokens, answers, lock = {}, {}, threading.Lock()


def body_problems(body):
    """Departures from the create body of the reference's schema."""
    p = []
    if not isinstance(body, dict):
        return ["/: not a JSON object"]
    p += [f"/{k}: unknown" for k in set(body) - {"integration_mode", "type", "reusable", "return_url", "line_items"}]
    p += [f"/{k}: must be {v}" for k, v in (("integration_mode", "LINK"), ("type", "BUY_NOW"))
          if body.get(k) != v]
    if not CODE.match(str(body.get("reusable", "MULTIPLE"))):
        p.append("/reusable: pattern")
    url = urlparse(str(body.get("return_url", "")))
    if "return_url" in body and not (url.scheme in ("http", "https") and url.netloc):
        p.append("/return_url: not a URI")
    items = body.get("line_items")
    if not isinstance(items, list) or len(items) != 1 or not isinstance(items[0], dict):
        return p + ["/line_items: one item expected"]
    item = items[0]
    p += [f"/line_items/0/{k}: unknown" for k in set(item) - ITEM_FIELDS]
    p += [f"/line_items/0/{k}: not a string" for k in ("name", "product_id") if k in item and
          not isinstance(item[k], str)]
    amount = item.get("unit_amount")
    if not isinstance(amount, dict) or set(amount) != {"currency_code", "value"}:
        return p + ["/line_items/0/unit_amount: currency_code and value required"]
    if not CURRENCY.match(str(amount["currency_code"])):
        p.append("/line_items/0/unit_amount/currency_code: not an ISO-4217 code")
    if not isinstance(amount["value"], str) or not VALUE.match(amount["value"]):
        p.append("/line_items/0/unit_amount/value: pattern")
    if not isinstance(item.get("collect_shipping_address", False), bool):
        p.append("/line_items/0/collect_shipping_address: not a boolean")
    for n, note in enumerate(item.get("customer_notes", [])):
        if not isinstance(note, dict) or set(note) - {"label", "required"} or \
                not isinstance(note.get("label", ""), str) or not isinstance(note.get("required", False), bool):
            p.append(f"/line_items/0/customer_notes/{n}: label (string) and required (boolean) only")
    return p


class PayPal(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, payload):
        data = payload if isinstance(payload, bytes) else json.dumps(payload).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_POST(self):
        raw = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        kind, _, credential = self.headers.get("Authorization", "").partition(" ")
        record = {"path": self.path, "client": None, "request_id": self.headers.get("PayPal-Request-Id"),
                  "problems": []}
        if self.path == "/v1/oauth2/token":
            status, payload = self.token(kind, credential, raw, record)
        elif self.path == "/v1/checkout/payment-resources":
            status, payload = self.create(kind, credential, raw, record)
        else:
            status, payload = 404, {"name": "RESOURCE_NOT_FOUND"}
        print(json.dumps(record), flush=True)
        if record["client"] == "fake-slow" and status == 201:
            time.sleep(self.server.delay)
        self.answer(status, payload)

    def token(self, kind, credential, raw, record):
        client, _, secret = base64.b64decode(credential or "").decode(errors="replace").partition(":")
        record["client"] = client
        if kind != "Basic" or raw != b"grant_type=client_credentials" or \
                self.headers.get("Content-Type") != "application/x-www-form-urlencoded":
            record["problems"].append("token: Basic header, form body grant_type=client_credentials expected")
        if secret != "fake-secret" or record["problems"]:
            return 401, {"error": "invalid_client", "error_description": "Client Authentication failed"}
        with lock:
            token = f"fake-token-{len(tokens) + 1}"
            tokens[token] = client
        return 200, {"scope": "https://uri.paypal.com/services/checkout/payment-resources",
                     "access_token": token, "token_type": "Bearer", "app_id": "APP-FAKE", "expires_in": 32400}

    def create(self, kind, credential, raw, record):
        client = record["client"] = tokens.get(credential) if kind == "Bearer" else None
        rid = record["request_id"] or ""
        if client is None:
            return 401, {"name": "AUTHENTICATION_FAILURE", "message": "Authentication failed"}
        if self.headers.get("Content-Type") != "application/json" or not REQUEST_ID.match(rid):
            record["problems"].append("create: JSON content type and a PayPal-Request-Id expected")
        try:
            body = json.loads(raw)
        except ValueError:
            body = None
        record["problems"] += body_problems(body)
        if record["problems"]:
            return 400, {"name": "INVALID_REQUEST", "message": "Request is not well-formed.",
                         "details": [{"field": p.split(":")[0], "issue": "INVALID_PARAMETER_SYNTAX",
                                      "description": p} for p in record["problems"]]}
        with lock:
            seen = answers.setdefault((client, rid), [0])
            seen[0] += 1
        if client == "fake-403":
            return 403, {"name": "NOT_AUTHORIZED", "message": "Authorization failed due to insufficient permissions."}
        if client == "fake-422":
            return 422, {"name": "UNPROCESSABLE_ENTITY", "debug_id": "f1e2d3", "details": [
                {"field": "/line_items/0/unit_amount/value", "location": "body", "issue": "DECIMAL_PRECISION",
                 "description": "The value of the field should not have more than 2 decimal places."},
                {"field": "/line_items/0/name", "location": "body", "issue": "INVALID_STRING_LENGTH"},
                {"field": "/reusable", "issue": "INVALID_PARAMETER_VALUE", "description": "Not allowed."}]}
        if client == "fake-500x2" or (client == "fake-500" and seen[0] == 1):
            return 500, {"name": "INTERNAL_SERVER_ERROR", "message": "An internal server error has occurred."}
        if client == "fake-garbled":
            return 201, b"<html>Service Unavailable</html>"
        link_id = f"FAKE{abs(hash(rid)) % 10**8:08d}"
        scheme = "http" if client == "fake-http-link" else "https"
        return 201, dict(body, id=f"PLB-{link_id}", payment_link=f"{scheme}://www.sandbox.paypal.com/ncp/payment/{link_id}",
                         status="ACTIVE", create_time="2026-12-09T16:00:00Z", update_time="2026-12-09T16:00:00Z",
                         links=[{"href": f"/v1/checkout/payment-resources/PLB-{link_id}", "rel": "self", "method": "GET"}])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--delay", type=float, default=5.0, help="seconds fake-slow waits")
    parser.add_argument("--lifetime", type=float, default=600.0, help="seconds before it stops by itself")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), PayPal)
    server.daemon_threads, server.delay = True, args.delay
    threading.Thread(target=lambda: (sys.stdin.read(), server.shutdown()), daemon=True).start()
    stop = threading.Timer(args.lifetime, server.shutdown)
    stop.daemon = True
    stop.start()
    print(f"PORT {server.server_address[1]}", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
