// word base-form analysis (code page 1257); one analysis per word, the first one listed
namas namas dkt.vyr.vns.vard.
namo namas dkt.vyr.vns.kilm.
eina eiti vksm.es.3
Vilnius Vilnius tikr.dkt.vyr.vns.vard.
þmonës þmogus dkt.vyr.dgs.vard.
