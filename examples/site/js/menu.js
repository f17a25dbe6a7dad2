// Opens the printable menu.
function openMenu() {
  window.open("http://www.harbourlane.example/menu/print.html");
}
var logo = "file://C|/bakery/images/logo.gif";
