#!/usr/bin/python3
"""Prints what the format library (python3-libmsiecf) reads from index files.

Usage: msiecf_items.py FILE...

For each FILE one line "file<TAB>path" and then one line per item, the items
first and the recovered items after, tab-separated:

  item|recovered  offset  type  location  primary  secondary  expiry
  last_checked  hits  cache_folder  cache_file  cached_size  primary_iso  expiry_iso

Texts are hex-encoded UTF-8 ("-" when the item has none), times the raw
integers, *_iso the library's own reading of the primary FILETIME and the FAT
expiry time (isoformat, "-" when unset). A file the library cannot open
gives "error<TAB>message". Exits 3 when the library is missing.
"""
import sys

try:
    import pymsiecf
except ImportError:
    sys.exit(3)


def text(value):
    if value is None:
        return "-"
    if isinstance(value, bytes):
        value = value.decode("windows-1252", "replace")
    return value.encode("utf-8").hex()


def number(item, name):
    try:
        return str(getattr(item, name))
    except Exception:
        return "-"


def iso(item, name):
    try:
        value = getattr(item, name)
    except Exception:
        return "-"
    return "-" if value is None else value.isoformat()


def folder_name(handle, item):
    try:
        index = item.cache_directory_index
    except Exception:
        return "-"
    if index is None or index < 0 or index >= handle.number_of_cache_directories:
        return "-"
    return text(handle.get_cache_directory(index))


def describe(handle, kind, item):
    name = type(item).__name__
    fields = [kind, str(item.offset)]
    if name == "url":
        fields += ["URL", text(item.location),
                   str(item.get_primary_time_as_integer()),
                   str(item.get_secondary_time_as_integer()),
                   str(item.get_expiration_time_as_integer()),
                   str(item.get_last_checked_time_as_integer()),
                   number(item, "number_of_hits"), folder_name(handle, item),
                   text(item.filename), number(item, "cached_file_size"),
                   iso(item, "primary_time"), iso(item, "expiration_time")]
    elif name == "leak":
        fields += ["LEAK", "-", "-", "-", "-", "-", "-", folder_name(handle, item),
                   text(item.filename), number(item, "cached_file_size"), "-", "-"]
    elif name == "redirected":
        fields += ["REDR", text(item.location)] + ["-"] * 10
    else:
        fields += [name] + ["-"] * 11
    return "\t".join(fields)


def main():
    for path in sys.argv[1:]:
        print("file\t" + path)
        try:
            handle = pymsiecf.open(path)
        except Exception as error:
            print("error\t" + str(error).replace("\n", " "))
            continue
        for index in range(handle.number_of_items):
            print(describe(handle, "item", handle.get_item(index)))
        for index in range(handle.number_of_recovered_items):
            print(describe(handle, "recovered", handle.get_recovered_item(index)))
        handle.close()


main()
