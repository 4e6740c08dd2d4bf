#!/usr/bin/env python3
"""Writes the sample site the site-move tests read: every shape of PayPal button a
seller's pages hold. Deterministic. Usage: makesite.py OUTDIR BUTTONCODE"""
import os, shutil, subprocess, sys

out, buttoncode = sys.argv[1], sys.argv[2]
WEBSCR = "https://www.paypal.com/cgi-bin/webscr"
PIC = "https://www.paypalobjects.com/en_US/i/btn/btn_buynow_LG.gif"


def form(fields, action=WEBSCR, picture=PIC, extra=""):
    inputs = "".join(f'\n  <input type="hidden" name="{n}" value="{v}">' for n, v in fields)
    button = f'<input type="image" src="{picture}" name="submit" alt="Buy">' if picture else '<input type="submit" value="Buy">'
    return f'<form action="{action}" method="post">{inputs}{extra}\n  {button}\n</form>'


def buy(name, price, *more, **kw):
    return form([("cmd", "_xclick"), ("business", "shop@example.com"), ("item_name", name),
                 ("amount", price), ("currency_code", "EUR"), *more], **kw)


def page(body, head=""):
    return f"<!DOCTYPE html>\n<html>\n<head>{head}<title>Shop</title></head>\n<body>\n{body}\n</body>\n</html>\n"


def write(path, text, encoding="utf-8"):
    full = os.path.join(out, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(text if isinstance(text, bytes) else text.encode(encoding))


def generated(**entries):
    args = [buttoncode] + [f"--{k}={v}" for k, v in entries.items()]
    return subprocess.run(args, check=True, capture_output=True).stdout.decode()


shutil.rmtree(out, ignore_errors=True)
mug = buy("Mug", "9.50", ("item_number", "M-1"), ("return", "https://example.com/thanks"))
donate = form([("cmd", "_donations"), ("business", "shop@example.com"), ("item_name", "Roof fund")])
write("index.html", page(f"<h1>Welcome</h1>\n{mug}\n<p>Also:</p>\n{buy('Tea towel', '6.00')}\n{donate}"))
write("shop/table.html", page('<table>\n<tr><form action="%s" method="post">\n<td><input type="hidden" name="cmd" value="_xclick">'
      '<input type="hidden" name="item_name" value="Lamp"><input type="hidden" name="amount" value="30.00"></td>\n'
      '<td><input type="image" src="img/buy.gif"></td></form></tr>\n<tr><td>%s</td></tr>\n</table>' % (WEBSCR, buy("Shade", "12.00"))))
sizes = "".join(f"<option value=\"{s}\">{s}</option>" for s in ("S", "M", "L"))
priced = "".join(f'<option value="{s}">{s} {p}</option>' for s, p in (("Small", "10.00"), ("Large", "14.00")))
write("shop/options.html", page(form([("cmd", "_xclick"), ("item_name", "Poster"), ("currency_code", "USD"),
      ("on0", "Format"), ("option_select0", "Small"), ("option_amount0", "10.00"), ("option_select1", "Large"),
      ("option_amount1", "14.00"), ("option_index", "0")], extra=f'\n  <select name="os0">{priced}</select>')))
write("shop/sizes.html", page(buy("Shirt", "20.00", ("on0", "Size"), ("on1", "Name on the back"), ("on2", "Colour"),
      ("os2", "Blue"), ("on3", "Fit"), extra=f'\n  <select name="os0">{sizes}</select>\n  <input type="text" name="os1">'
      '\n  <input type="radio" name="os3" value="Slim" checked><input type="radio" name="os3" value="Loose">')))
write("shop/tax.html", page(buy("Kettle", "40.00", ("tax_rate", "8.25"), ("shipping", "4.95"), ("no_shipping", "2"),
      ("no_note", "0"), ("cn", "Gift message"), ("handling", "2"))))
write("shop/flattax.html", page(buy("Rug", "20.00", ("tax", "1.50"), ("no_shipping", "1"), ("no_note", "1")) + "\n" +
      buy("Pin", "3.00", ("tax", "1.00"))))
write("shop/notify.html", page(buy("Book", "15.00", ("notify_url", "https://example.com/ipn"), ("custom", "x1"),
      ("invoice", "A-7"), ("undefined_quantity", "1"), ("cancel_return", "https://example.com/shop"))))
write("php/product.php", page(buy("Chair", "<?php echo $price ?>")))
write("php/custom.php", page(buy("Stool", "25.00", ("custom", "<?php echo $id ?>"))))
write("jsp/total.jsp", page(buy("${item}", "${total}")))
write("asp/item.asp", page(buy("Desk", "<%= price %>")))
write("twig/item.twig", page(buy("{{ name }}", "5.00")))
write("tpl/list.tpl", page("{% for p in products %}\n" + buy("Cup", "4.00") + "\n{% endfor %}"))
latin = buy("Café crème – 5 €", "5.00", ("item_number", "Ç-1"))
write("latin/cp1252.html", page("<p>Prix très doux — réduit</p>\n" + latin, '<meta charset="windows-1252">'), "cp1252")
write("latin/iso.html", page("<p>Déjà vu</p>\n" + buy("Crêpe", "3.00"),
      '<meta http-equiv="Content-Type" content="text/html; charset=ISO-8859-1">'), "latin-1")
write("latin/nometa.html", page("<p>Année</p>\n" + buy("Gâteau", "8.00")), "cp1252")
write("unicode/utf16.html", "\ufeff" + page("<p>日本語のページ</p>\n" + buy("Teapot 急須", "30.00")), "utf-16-le")
write("unicode/bom.html", "\ufeff" + page("<p>Ελληνικά</p>\n" + buy("Olive oil", "11.00")))
write("other/hosted.html", page(form([("cmd", "_s-xclick"), ("hosted_button_id", "ABCDEFG123")])))
write("other/cart.html", page(form([("cmd", "_cart"), ("add", "1"), ("item_name", "Soap"), ("amount", "3.00")])))
write("other/subscribe.html", page(form([("cmd", "_xclick-subscriptions"), ("item_name", "Club"), ("a3", "5.00"),
      ("p3", "1"), ("t3", "M")])))
write("other/plan.html", page(form([("cmd", "_xclick-payment-plan"), ("item_name", "Sofa")])))
write("other/comments.html", page(f"<!-- old:\n{buy('Old mug', '1.00')}\n-->\n<script>var s = '{buy('Js', '1.00')}';</script>\n"
      f"<template>{buy('Tpl', '1.00')}</template>\n{buy('Live mug', '9.00')}"))
for n in (1, 2, 3):
    write(f"dup/page{n}.html", page(f"<p>Page {n}</p>\n" + mug))
write("dup/other-price.html", page(buy("Mug", "9.75", ("item_number", "M-1"), ("return", "https://example.com/thanks"))))
for n, entries in enumerate(({"ItemName": "Tea ☕ set", "ItemNumber": "T-1", "Amount": "18.00 EUR", "UsePresetImage": 1, "ChosenImage": 2},
                             {"ItemName": "Vase", "ItemNumber": "V-9", "Amount": "45.00", "UseOwnImage": 1,
                              "OwnImageUrl": "https://example.com/buy.png", "CollectShipping": 1, "AllowNote": 1,
                              "NoteTitle": "Engraving"})):
    code = generated(Account="shop@example.com", ReturnUrl="https://example.com/thanks",
                     CancelUrl="https://example.com/shop", **entries)
    write(f"encoded/gen{n + 1}.html", page(f"<p>Generated</p>\n{code}\n<p>End</p>"))
write("hand/noprice.html", page(form([("cmd", "_xclick"), ("item_name", "Gift")])))
write("hand/badprice.html", page(buy("Bowl", "12,50")))
write("hand/quantity.html", page(buy("Socks", "4.00", ("quantity", "3")) + buy("Hat", "8.00", ("discount_amount", "1"))))
write("hand/relreturn.html", page(buy("Jar", "7.00", ("return", "/thanks.html"))))
write("hand/unclosed.html", page(buy("Tray", "9.00").replace("</form>", "")))
write("pics/relative.html", page(buy("Frame", "19.00", picture="../img/buy now.gif")))
write("pics/none.html", page(buy("Clock", "29.00", picture=None)))
write("odd/mixed.html", page(buy("Bell", "2.00", action="https://www.paypal.com/cgi-bin/web&#115;cr")))
write("odd/UPPER.HTM", page(buy("Fan", "16.00", action="HTTPS://WWW.PayPal.COM/cgi-bin/webscr")))
write("odd/crlf.html", page("<p>one</p>\r\n<p>two</p>\r\r" + buy("Cord", "2.50")))
write("odd/prose.md", "# Notes\n\nThe old `webscr` address is going away.\n")
write("odd/many.html", page("\n".join(buy(f"Card {i}", f"{i}.00") for i in range(1, 6))))
for name in ("about.html", "contact.htm", "blog/post.md", "blog/list.shtml", "inc/footer.inc", "js/app.js"):
    write(name, page(f"<p>{name}</p>"))
write(".git/hooks.html", page(buy("Hidden", "1.00")))
write("img/photo.php", b"\x89PNG\r\n\x1a\n\0\0\0webscr")
os.symlink("/tmp", os.path.join(out, "outside"))
os.symlink("..", os.path.join(out, "blog", "loop"))
os.symlink("index.html", os.path.join(out, "home.html"))
