# Extracts the translated UI strings of gettext .mo files as lower-case word lines in code page 1257.
# usage: extract-mo-text.py <folder of .mo files> <output corpus>
import gettext, glob, re, sys
out = open(sys.argv[2], 'w', encoding='cp1257', errors='ignore')
n = 0
for mo in sorted(glob.glob(sys.argv[1] + '/*.mo')):
    with open(mo, 'rb') as f:
        t = gettext.GNUTranslations(f)
    for k, v in t._catalog.items():
        if not v or k == '': continue
        v = v.replace('~', '').lower()
        words = re.findall(r'[^\W\d_]+', v)
        if len(words) < 2: continue
        line = ' '.join(words)
        try: line.encode('cp1257')
        except UnicodeEncodeError: continue
        out.write(line + '\n'); n += 1
print(n, 'lines')
