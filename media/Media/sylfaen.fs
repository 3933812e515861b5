Name = "Sylfaen";
Styles[0].Size = 14;
Styles[0].Charsets = array("sylfaen_eng_14.css");
