document.write("<a href='missing-from-js.html'>x</a>");
