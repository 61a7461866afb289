// Scripts of the admin page frame that the component's markup calls.

// Makes a text area (element id objname) taller or shorter by num rows; it
// never gets fewer than three rows. The editor's source views call it with
// -20 and 20 for their text area "content".
function admin_Size(num, objname) {
  var obj = document.getElementById(objname);
  if (!obj) return;
  var rows = parseInt(obj.rows, 10) + num;
  if (rows >= 3) obj.rows = rows;
}

// Shrinks a picture wider than width to that width, keeping its shape; the
// Flash channel's picture markup calls it from the picture's onload.
function imgzoom(img, width) {
  if (img && img.width > width) {
    img.height = Math.round(img.height * width / img.width);
    img.width = width;
  }
  return false;
}
