#!/usr/bin/env python3
"""Writes the demo workspace in demo/: an invented sites database, branding, captions, the
window icon and the start page's picture. Run it from anywhere; it overwrites the files."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(os.path.dirname(HERE), "demo")

# Positions 4-15 keywords, 16 description, 17 title, 18 url, 19 email, 20 company, 21 first name,
# 22 last name, 23 street, 24 city, 25 state, 26 province, 27 postal code, 28 phone, 29 fax,
# 30 phone again, 31 referer, 32 search address, 33 extra parameters.
NOT_TAKEN = " "


def site(name, method, url, fields, referer="http://www.farrowlane.example/",
         search=NOT_TAKEN, extra=NOT_TAKEN, categories=None, category_field="category"):
    slots = [NOT_TAKEN] * 34
    slots[0], slots[1], slots[2], slots[3] = name, "x", url, method
    for pos, value in fields.items():
        slots[pos] = value
    slots[31], slots[32], slots[33] = referer, search, extra
    line = "|".join(slots)
    if categories is not None:
        line += "|[COMPLEX]|x|" + category_field + "|" + "|".join(categories) + "|NULL"
    return line


def get_fields():
    return {4: "?kw=", 17: "&title=", 18: "&url=", 19: "&email="}


def post_fields():
    return {4: "keywords=:", 16: "description", 17: "title", 18: "url", 19: "email",
            21: "contact", 22: "contact", 20: "company"}


def full_post_fields():
    f = {4 + i: "kw%d" % (i + 1) for i in range(12)}
    f.update({16: "desc", 17: "title", 18: "url", 19: "email", 20: "company", 21: "first",
              22: "last", 23: "street", 24: "city", 25: "state", 26: "province",
              27: "zip", 28: "phone", 29: "fax", 30: "phone2"})
    return f


def mail_fields():
    return {4: "Keywords=:", 16: "Description", 17: "Title", 18: "URL", 19: "Email",
            21: "Name", 22: "Name", 28: "Phone"}


DIRECTORY_CATEGORIES = ["Arts", "Business", "Computers", "Education", "Entertainment",
                        "Health", "Home", "Music", "News", "Recreation", "Science",
                        "Shopping", "Sports", "Travel"]


def sites():
    out = []
    engines = ["Beacon Search", "Cinder Find", "Dovetail Engine", "Emberly", "Fathom Seek",
               "Gullwing Search", "Harrow Index", "Inkwell Finder", "Juniper Crawl",
               "Kestrel Search", "Lantern Lookup", "Mosswood Engine"]
    for n, name in enumerate(engines):
        host = name.lower().replace(" ", "") + ".example"
        search = "http://%s/search?q=" % host if n % 2 == 0 else NOT_TAKEN
        out.append(site(name, "GET", "http://%s/addurl" % host, get_fields(), search=search))
    directories = ["Acorn Directory", "Bramble Links", "Copperleaf Guide", "Driftwood Dir",
                   "Elmstead Listings", "Foxglove Pages", "Granary Web Guide",
                   "Hollyhock Links", "Ironbark Directory"]
    for n, name in enumerate(directories):
        host = name.lower().replace(" ", "") + ".example"
        cats = DIRECTORY_CATEGORIES[n % 3::2]
        fields = full_post_fields() if n % 2 == 0 else post_fields()
        out.append(site(name, "POST", "http://%s/cgi-bin/add.cgi" % host, fields,
                        categories=cats, extra="&lang=en" if n % 3 == 0 else NOT_TAKEN,
                        search="http://%s/find?words=" % host if n % 3 == 1 else NOT_TAKEN))
    plain_posts = ["Quillpoint Announce", "Rookery Submit", "Saltmarsh Index",
                   "Thistledown Search", "Umberlane Registry"]
    for name in plain_posts:
        host = name.lower().replace(" ", "") + ".example"
        out.append(site(name, "POST", "http://%s/submit" % host, post_fields()))
    mailers = ["Vellum Mail Listing", "Willowmere E-Mail Dir", "Yarrow Mail Index"]
    for name in mailers:
        host = name.lower().replace(" ", "").replace("-", "") + ".example"
        out.append(site(name, "MAILTO", "mailto:submit@" + host, mail_fields()))
    out.append(site("Zephyr Kids ONLY", "GET", "http://zephyrkids.example/add",
                    get_fields()))
    out.append(site("Orchard Adult Links", "POST", "http://orchardadult.example/add",
                    post_fields(), categories=["Adult Arts", "Adult Entertainment"]))
    out.append(site("Pebble Regional Guide", "GET", "http://pebbleguide.example/add",
                    {4: "?kw=", 17: "&t=", 18: "&u=", 23: "&addr=", 24: "&city=",
                     25: "&st=", 27: "&zip="},
                    categories=["Regional", "Local Business", "Travel"],
                    category_field="&area="))
    return out


def encode(plain):
    return "".join("%02d" % ((ord(c) & 127) - 30) for c in plain)


def write_sites():
    lines = ["Farrowlane demo sites database - invented targets"] + sites()
    with open(os.path.join(DEMO, "sites.enc"), "w", newline="") as f:
        for line in lines:
            f.write(encode(line) + "\r\n")


def write_text(name, lines):
    with open(os.path.join(DEMO, name), "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


BRANDING = [
    "Farrowlane",
    "Announce your site to the web's search engines and directories",
    "Farrowlane Software",
    "sales@farrowlane.example",
    "info@farrowlane.example",
    "NULL",
    "NULL",
    "Submission Report",
    "Every site, every engine",
    "support@farrowlane.example",
]

CAPTIONS = [
    "First Name:", "Middle Name:", "Last Name:", "EMail Address:", "", "", "",
    "URL Address:", "First Name", "Last Name:", "EMail Address:", "Company Name:",
    "Street Address:", "City:", "State:", "Province:", "Postal Code:", "Phone Number:",
    "Fax Number:",
    "Web Site Title:",
    "The keywords you enter should start with the most important in the uppermost left hand "
    "entry.  Then include other keywords that describe your site into the other entry fields "
    "with the least significant keyword in the lowermost right hand entry field.",
    "If your site contains material that is not suited for minors check the box to the right "
    "labelled \"ADULT\".",
    "Keyword:",
    "Personal Info", "", "Browser Choice", "Save Settings", "",
    "Contact Information",
    "Add All", "   Add Selected", "Remove All", "Remove Selected",
    "Keywords:", "Note:",
    "Load Profile", "Save Profile", "Build + GO!", "",
    "Check here to have the software \"SMART MATCH\" the categories based on your keywords.",
    "Check", "", "Actions", "Deep Submission", "Batch Submission",
    "Welcome", "Settings", "Contact", "Site Text", "Sites", "Categories", "Keyword Check",
]


def lane_colour(x, y, w, h):
    """A field of furrows running to the horizon under a pale sky."""
    horizon = h * 0.42
    if y < horizon:
        t = y / horizon
        return (int(120 + 100 * t), int(170 + 60 * t), int(230 + 15 * t))
    depth = (y - horizon) / (h - horizon)
    centre = w / 2
    spread = (x - centre) / max(depth, 0.02)
    stripe = math.sin(spread / 9.0)
    base = (96, 150, 70) if stripe > 0 else (120, 88, 52)
    shade = 0.6 + 0.4 * depth
    return tuple(int(c * shade) for c in base)


def bmp_bytes(w, h, colour):
    row_pad = (4 - (w * 3) % 4) % 4
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b = colour(x, y, w, h)
            pixels += bytes((b, g, r))
        pixels += b"\0" * row_pad
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0,
                              14 + len(header))
    return file_header + header + bytes(pixels)


def icon_bytes(size=32):
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            inside = (x - size / 2 + 0.5) ** 2 + (y - size / 2 + 0.5) ** 2 <= (size / 2 - 1) ** 2
            if not inside:
                xor += bytes((0, 0, 0, 0))
                continue
            r, g, b = lane_colour(x, y, size, size)
            xor += bytes((b, g, r, 255))
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    image = header + bytes(xor) + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    os.makedirs(DEMO, exist_ok=True)
    write_sites()
    write_text("sysconfig.fls", BRANDING)
    assert len(CAPTIONS) == 52, len(CAPTIONS)
    write_text("messages.cat", CAPTIONS)
    with open(os.path.join(DEMO, "SImage.flb"), "wb") as f:
        f.write(bmp_bytes(300, 180, lane_colour))
    with open(os.path.join(DEMO, "icon.ico"), "wb") as f:
        f.write(icon_bytes())


if __name__ == "__main__":
    main()
