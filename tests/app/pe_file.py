"""A small reader for PE files, 32- and 64-bit: headers, imports and resources."""

import struct

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError("%s: not an MZ file" % path)
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s: no PE signature" % path)
        (self.machine, sections, self.timestamp, _, _, optional_size, self.characteristics) = struct.unpack_from(
            "<HHIIIHH", self.data, pe + 4)
        opt = pe + 24
        magic = self.u16(opt)
        if magic not in (0x10B, 0x20B):
            raise ValueError("%s: neither a PE32 nor a PE32+ file" % path)
        self.is_64 = magic == 0x20B
        # PE32+ widens the image base and stack fields: the directories move.
        directories = opt + (112 if self.is_64 else 96)
        self.os_version = (self.u16(opt + 40), self.u16(opt + 42))
        self.subsystem_version = (self.u16(opt + 48), self.u16(opt + 50))
        self.subsystem = self.u16(opt + 68)
        count = self.u32(directories - 4)
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", self.data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), vaddr, max(vsize, rawsize), rawptr))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for _, vaddr, size, rawptr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rawptr + rva - vaddr
        raise ValueError("address 0x%x lies in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """[(dll, name)] of the import table; a name is "#n" for an import by ordinal."""
        rva, size = self.directories[1] if len(self.directories) > 1 else (0, 0)
        result = []
        if not size:
            return result
        entry = self.offset(rva)
        while True:
            lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", self.data, entry)
            if not name_rva:
                return result
            dll = self.cstring(name_rva)
            at = self.offset(lookup or thunks)
            width, by_ordinal = (8, 1 << 63) if self.is_64 else (4, 1 << 31)
            while True:
                thunk = int.from_bytes(self.data[at:at + width], "little")
                if not thunk:
                    break
                if thunk & by_ordinal:
                    result.append((dll, "#%d" % (thunk & 0xFFFF)))
                else:
                    result.append((dll, self.cstring((thunk & 0xFFFFFFFF) + 2)))
                at += width
            entry += 20

    def delay_imports(self):
        rva, size = self.directories[13] if len(self.directories) > 13 else (0, 0)
        return size

    def resources(self):
        """{(type, name, language): bytes} and the time stamps of every resource directory."""
        rva, size = self.directories[2] if len(self.directories) > 2 else (0, 0)
        found, stamps = {}, []
        if not size:
            return found, stamps
        base = self.offset(rva)

        def walk(offset, path):
            stamps.append(self.u32(base + offset + 4))
            named, numbered = struct.unpack_from("<HH", self.data, base + offset + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                if ident & 0x80000000:
                    at = base + (ident & 0x7FFFFFFF)
                    length = self.u16(at)
                    ident = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, path + [ident])
                else:
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
                    start = self.offset(data_rva)
                    found[tuple(path + [ident])] = self.data[start:start + data_size]

        walk(0, [])
        return found, stamps


def parse_version_node(data, offset=0):
    """One node of a version record: (key, value, children, end offset).

    The value is bytes for binary nodes and text for string nodes.
    """
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    at = offset + 6
    key_end = at
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at:key_end].decode("utf-16-le")
    at = (key_end + 2 + 3) & ~3
    if kind == 1:
        raw = data[at:at + 2 * value_length]
        value = raw.decode("utf-16-le")
        at += 2 * value_length
    else:
        value = data[at:at + value_length]
        at += value_length
    at = (at + 3) & ~3
    children = []
    while at < end:
        child = parse_version_node(data, at)
        children.append(child[:3])
        at = (child[3] + 3) & ~3
    return key, value, children, end
