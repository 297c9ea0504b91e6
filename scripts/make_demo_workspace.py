#!/usr/bin/env python3
"""Writes the demo workspace's sites database (invented targets) and branding into demo/.
Run it from anywhere; it overwrites those two files."""
import os

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
    "Submit once, be found everywhere",
    "Farrowlane Software",
    "sales@farrowlane.example",
    "info@farrowlane.example",
    "NULL",
    "NULL",
    "Submission Report",
    "Every site, every engine",
    "support@farrowlane.example",
]


def main():
    os.makedirs(DEMO, exist_ok=True)
    write_sites()
    write_text("sysconfig.fls", BRANDING)


if __name__ == "__main__":
    main()
