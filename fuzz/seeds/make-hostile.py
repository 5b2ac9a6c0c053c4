#!/usr/bin/env python3
"""Writes the hostile seeds: small files that make a reader face what an attacker would send.

Kept small so that each fuzz run stays fast; cuemaster-bench's import_hostile_docx builds the
full-size versions (250 MB parts) for the timing figures. Run from this folder:
    python3 make-hostile.py
"""
import struct
import zlib

KB = 1024
W = b'http://schemas.openxmlformats.org/wordprocessingml/2006/main'
HEAD = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document xmlns:w="' + W
        + b'"><w:body><w:p><w:r><w:t>Before</w:t></w:r></w:p>')
TAIL = b'<w:p><w:r><w:t>After</w:t></w:r></w:p></w:body></w:document>'
RELS = (b'<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        b'<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>')


def write_zip(path, entries, understate=()):
    """entries: (name, bytes); the named entries' directory sizes understate the truth."""
    with open(path, 'wb') as f:
        central = []
        for name, data in entries:
            packer = zlib.compressobj(9, zlib.DEFLATED, -15)
            packed = packer.compress(data) + packer.flush()
            crc = zlib.crc32(data) & 0xffffffff
            size = 1000 if name in understate else len(data)
            offset = f.tell()
            f.write(struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, 8, 0, 0, crc, len(packed), size, len(name), 0))
            f.write(name + packed)
            central.append((name, crc, len(packed), size, offset))
        start = f.tell()
        for name, crc, packed, size, offset in central:
            f.write(struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, 8, 0, 0, crc, packed, size,
                                len(name), 0, 0, 0, 0, 0, offset))
            f.write(name)
        end = f.tell()
        f.write(struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(central), len(central), end - start, start, 0))


def docx(path, middle, understate=False):
    write_zip(path, [(b'_rels/.rels', RELS), (b'word/document.xml', HEAD + middle + TAIL)],
              (b'word/document.xml',) if understate else ())


docx('docx/hostile-comment.docx', b'<!--' + b'-' * (512 * KB) + b'x--->')
docx('docx/hostile-cdata.docx', b'<w:p><w:r><w:t><![CDATA[' + b']' * (512 * KB) + b']]></w:t></w:r></w:p>')
docx('docx/hostile-pi.docx', b'<?pi ' + b'?' * (512 * KB) + b'?>')
docx('docx/hostile-text.docx', b'<w:p><w:r><w:t>' + b'word ' * (200 * KB) + b'</w:t></w:r></w:p>')
docx('docx/hostile-bomb.docx', b'<w:p><w:r><w:t>ab</w:t></w:r></w:p>' * (100 * KB), understate=True)
docx('docx/hostile-tag.docx', b'<w:p w:x="' + b'a' * (1536 * KB) + b'"><w:r><w:t>x</w:t></w:r></w:p>')
docx('docx/hostile-deep.docx', b'<w:sdt>' * 6000 + b'</w:sdt>' * 6000)

ODT_NS = (b'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          b'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')
content = (b'<?xml version="1.0" encoding="UTF-8"?><office:document-content ' + ODT_NS
           + b'><office:body><office:text><text:p>Before</text:p><!--' + b'x' * (512 * KB)
           + b'--><text:p>' + b'<text:s text:c="999999999"/>' * 2000 + b'</text:p></office:text></office:body></office:document-content>')
write_zip('odt/hostile.odt', [(b'mimetype', b'application/vnd.oasis.opendocument.text'), (b'content.xml', content)],
          (b'content.xml',))

with open('html/hostile-comment.html', 'wb') as f:
    f.write(b'<html><body><p>Before</p><!--' + b'-' * (128 * KB) + b'--><p>After</p></body></html>')
with open('html/hostile-deep.html', 'wb') as f:
    f.write(b'<html><body>' + b'<b>' * 6000 + b'deep</body></html>')
with open('html/hostile-script.html', 'wb') as f:
    f.write(b'<html><body><script>' + b'</scrip' * (16 * KB) + b'</script><p>After</p></body></html>')
