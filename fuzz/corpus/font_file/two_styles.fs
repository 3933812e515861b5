Name = "x";
Styles[0].Size = 12; Styles[0].Bold = 1; Styles[0].Charsets = array("a.css", "b.css");
Styles[1].Italic = 2; Styles[1].FontName = "Serif"; Styles[1].Charsets = array("b.css", "missing.css", "f.fs");
using Styles[2]; Size = 64; Charsets = array("a.css");
