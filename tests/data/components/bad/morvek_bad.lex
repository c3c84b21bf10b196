namas namas
