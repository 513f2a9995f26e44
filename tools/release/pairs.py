"""The "name<TAB>value" lines that release.sh hands the release scripts (packdat --texts, the
toolchain's facts): each name with its values in order."""


def read_pairs(path):
    pairs = {}
    with open(path, encoding="latin-1") as lines:
        for line in lines:
            name, _, value = line.rstrip("\r\n").partition("\t")
            pairs.setdefault(name, []).append(value)
    return pairs
