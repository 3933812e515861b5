// font structure
Styles[0].Size = 64;
Styles[0].Charsets = array("64font.css");
Styles[1] => object(Size = 14, Bold = 1, Charsets = array("a.css", "b.css"));
using Styles[2];
Size = 12;
"loose";
using;
Name = 'sylfaen';
