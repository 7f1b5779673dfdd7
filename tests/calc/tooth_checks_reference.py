#!/usr/bin/env python3
"""Reference values for tooth_checks_test.cpp, in 30-digit arithmetic.

Written from the equations alone (the virtual spur gear of the normal
section, the ISO 1328-1:2013 tolerance formulas and rounding rule, the
backlash of a pair), independently of the C++ code. Run it and paste its
output into the tables of tooth_checks_test.cpp:

    python3 tests/calc/tooth_checks_reference.py
"""
from decimal import Decimal, ROUND_HALF_UP

from mpmath import mp, mpf, asin, sin, cos, tan, atan, sqrt, pi

mp.dps = 30


def rad(deg):
    return mpf(deg) * pi / 180


def chordal(m, z, alpha, beta, allowance):
    m, z, allowance = mpf(m), mpf(z), mpf(allowance)
    bb = asin(sin(rad(beta)) * cos(rad(alpha)))
    zn = z / (cos(bb) ** 2 * cos(rad(beta)))
    dn = m * zn
    psi = (m * pi / 2 + allowance) / dn
    return dn * sin(psi), m + dn / 2 * (1 - cos(psi))


def four(x):
    return str(Decimal(mp.nstr(x, 25)).quantize(Decimal("0.0001"), rounding=ROUND_HALF_UP))


def rounded(um):
    exact = Decimal(mp.nstr(um, 25))
    if exact > 10:
        return str(exact.quantize(Decimal("1"), rounding=ROUND_HALF_UP))
    if exact >= 5:
        return str(((exact * 2).quantize(Decimal("1"), rounding=ROUND_HALF_UP) / 2).quantize(Decimal("0.1")))
    return str(exact.quantize(Decimal("0.1"), rounding=ROUND_HALF_UP))


def tolerances(m, z, beta, cls, b):
    m, z = mpf(m), mpf(z)
    d = z * m / cos(rad(beta))
    s = sqrt(2) ** (cls - 5)
    fp = (d / 1000 + mpf("0.4") * m + 5) * s
    Fp = (d / 500 + mpf("0.55") * sqrt(d) + mpf("0.7") * m + 12) * s
    fHa = (mpf("0.4") * m + d / 1000 + 4) * s
    ffa = (mpf("0.55") * m + 5) * s
    out = [fp, Fp, fHa, ffa, sqrt(fHa ** 2 + ffa ** 2)]
    if b is None:
        out += [None, None, None]
    else:
        b = mpf(b)
        fHb = (sqrt(d) / 20 + mpf("0.35") * sqrt(b) + 4) * s
        ffb = (mpf("0.07") * sqrt(d) + mpf("0.45") * sqrt(b) + 4) * s
        out += [fHb, ffb, sqrt(fHb ** 2 + ffb ** 2)]
    out.append(Fp * mpf("0.9"))
    return out


def backlash(m, z1, z2, alpha, beta, a1, t1, a2, t2, upper, lower):
    m, z1, z2 = mpf(m), mpf(z1), mpf(z2)
    a1, t1, a2, t2, upper, lower = (mpf(x) for x in (a1, t1, a2, t2, upper, lower))
    cb = cos(rad(beta))
    at = atan(tan(rad(alpha)) / cb)
    centre = (z1 * m / cb + z2 * m / cb) / 2
    jt_min = -(a1 + a2) / cb + 2 * lower * tan(at)
    jt_max = -((a1 - t1) + (a2 - t2)) / cb + 2 * upper * tan(at)
    to_n = cos(rad(alpha)) * cb
    return centre, jt_min, jt_max, jt_min * to_n, jt_max * to_n


def num(x):
    return mp.nstr(x, 17, min_fixed=-30, max_fixed=30)


CHORDAL = [
    # name, m, z, alpha, beta, A, T
    ("PublishedSpurM10Z12", "10", 12, 20, "0", "0", "0"),
    ("SpurEvenM2Z20", "2", 20, 20, "0", "-0.03", "0.03"),
    ("SpurOddM3Z17", "3", 17, 20, "0", "-0.04", "0.04"),
    ("SpurOddSmallModule", "0.5", 41, 20, "0", "-0.022", "0.012"),
    ("SpurFewTeethOdd", "1", 7, 20, "0", "-0.022", "0.02"),
    ("SpurPressureAngle25", "3", 24, 25, "0", "-0.04", "0.025"),
    ("HelicalEvenCatalogueAngle", "2", 20, 20, "19.5283", "-0.03", "0.03"),
    ("HelicalOddM15Z31", "1.5", 31, 20, "15.5", "-0.03", "0.05"),
    ("HelicalLargeModule", "20", 25, 20, "12", "-0.1", "0.08"),
    ("HelicalOddLargeModule", "8", 47, 20, "30", "-0.075", "0.06"),
    ("HelicalSteepManyTeeth", "1", 400, 20, "40", "-0.064", "0.1"),
]

TOLERANCES = [
    # name, m, z, beta, class, b (None: no face width)
    ("PublishedM3Z40B30Class6", "3", 40, "0", 6, "30"),
    ("SpurClass5NoFaceWidth", "2", 20, "0", 5, None),
    ("SpurFinestClass", "1", 25, "0", 1, "10"),
    ("SpurCoarsestClass", "10", 60, "0", 11, "100"),
    ("HelicalOddClass7", "1.5", 31, "15.5", 7, "20"),
    ("HelicalCatalogueClass4", "2", 20, "19.5283", 4, "6"),
    ("HelicalLargeModuleClass9", "20", 25, "12", 9, "250"),
    ("SmallestRangeCorner", "0.5", 10, "0", 3, "4"),
    ("LargeGearClass8", "40", 301, "30", 8, "1200"),
    ("ProfileFormOnAHalfStep", "5", 20, "0", 5, None),
]

PAIRS = [
    # name, m, z1, z2, alpha, beta, A1, T1, A2, T2, A_ae, A_ai
    ("SpurSeriesE25NoAllowance", "2", 20, 30, 20, "0", "-0.03", "0.03", "-0.04", "0.04", "0", "0"),
    ("SpurWithCentreAllowances", "2", 20, 30, 20, "0", "-0.03", "0.03", "-0.04", "0.04", "0.03", "-0.01"),
    ("HelicalOddPair", "1.5", 31, 45, 20, "15.5", "-0.04", "0.04", "-0.04", "0.04", "0.02", "0"),
    ("HelicalCatalogueAngle", "2", 20, 41, 20, "19.5283", "-0.03", "0.03", "-0.04", "0.04", "0.027", "-0.027"),
    ("LargeModulePair", "8", 47, 93, 20, "12", "-0.075", "0.06", "-0.1", "0.08", "0.05", "0.02"),
    ("InterferenceSeriesH", "2", 20, 30, 20, "0", "0", "0.03", "0", "0.04", "0.03", "-0.01"),
    ("PressureAngle25", "3", 17, 24, 25, "0", "-0.04", "0.04", "-0.06", "0.04", "0", "0"),
]


# The catalogue's items and pairs as gearcalc-report computes them, with the
# allowances of the shipped spc.edb and gc.edb for each pitch diameter
# (series e and 25 for items): -0.030/0.030 mm for 10 < d <= 50,
# -0.040/0.040 for 50 < d <= 125, -0.056/0.050 for 125 < d <= 280; series d
# and 26 for 10 < d <= 50: -0.044/0.050; series c and 27 for 50 < d <= 125:
# -0.085/0.100.
ITEM_CHORDAL = [
    # name, item, m, z, alpha, beta, A, T
    ("HelicalEvenTeeth", "ZKD-H2-20-6", "2", 20, 20, "19.5283", "-0.03", "0.03"),
    ("SpurOddTeeth", "ZKD-S1-25-7", "1", 25, 20, "0", "-0.03", "0.03"),
    ("HelicalOddTeeth", "ZKD-H1-45-6", "1", 45, 20, "19.5283", "-0.03", "0.03"),
    ("SpurLargeModule", "ZKD-S8-30-9", "8", 30, 20, "0", "-0.056", "0.05"),
    ("HelicalOddLargeModule", "ZKD-H8-21-8", "8", 21, 20, "19.5283", "-0.056", "0.05"),
]

CLI_PAIRS = [
    # name, m, z1, z2, alpha, beta, A1, T1, A2, T2, A_ae, A_ai
    ("CatalogueHelicalItems", "2", 20, 30, 20, "19.5283", "-0.03", "0.03", "-0.04", "0.04", "0", "0"),
    ("HelicalMateSeriesGiven", "1.5", 31, 45, 20, "15.5", "-0.044", "0.05", "-0.085", "0.1", "0.02", "-0.02"),
]


def main():
    print("// chordal: name, m, z, alpha, beta, A, T; nominal, at A, at A - T (s, h); 4 decimals")
    for name, m, z, alpha, beta, a, t in CHORDAL:
        nominal = chordal(m, z, alpha, beta, 0)
        upper = chordal(m, z, alpha, beta, a)
        lower = chordal(m, z, alpha, beta, mpf(a) - mpf(t))
        values = ", ".join(num(v) for v in (*nominal, *upper, *lower))
        texts = ", ".join('"%s"' % four(v) for v in (*nominal, *upper, *lower))
        print('    {"%s", %s, %d, %d, %s, %s, %s, {%s}, {%s}},' % (name, m, z, alpha, beta, a, t, values, texts))
    print("// tolerances: name, m, z, beta, class, b; exact µm and printed, order fpT FpT fHaT ffaT FaT fHbT ffbT FbT FrT")
    for name, m, z, beta, cls, b in TOLERANCES:
        vals = tolerances(m, z, beta, cls, b)
        exact = ", ".join("0" if v is None else num(v) for v in vals)
        texts = ", ".join("nullptr" if v is None else '"%s"' % rounded(v) for v in vals)
        print('    {"%s", %s, %d, %s, %d, %s, {%s}, {%s}},' % (name, m, z, beta, cls, b or "0", exact, texts))
    print("// pairs: name, m, z1, z2, alpha, beta, A1, T1, A2, T2, A_ae, A_ai; a, jt_min, jt_max, jn_min, jn_max")
    for row in PAIRS:
        name, rest = row[0], row[1:]
        vals = backlash(*rest)
        values = ", ".join(num(v) for v in vals)
        texts = ", ".join('"%s"' % four(v) for v in vals)
        print('    {"%s", %s, {%s}, {%s}},' % (name, ", ".join(str(x) for x in rest), values, texts))

    print("// items: name, item; chordal s, h nominal, at A, at A - T")
    for name, item, m, z, alpha, beta, a, t in ITEM_CHORDAL:
        values = [*chordal(m, z, alpha, beta, 0), *chordal(m, z, alpha, beta, a),
                  *chordal(m, z, alpha, beta, mpf(a) - mpf(t))]
        print('    {"%s", "%s", {%s}},' % (name, item, ", ".join('"%s"' % four(v) for v in values)))
    print("// command-line pairs: a, jt_min, jt_max, jn_min, jn_max")
    for row in CLI_PAIRS:
        print('    {"%s", {%s}},' % (row[0], ", ".join('"%s"' % four(v) for v in backlash(*row[1:]))))


if __name__ == "__main__":
    main()
