// The list pager of the admin pages: ShowListPage(page, pages, total, size, s1, s2)
// writes "共 N 个<s2> 每页 M 个" and the page links into the page where it is called.
// s1 is extra query text appended to every link (may be empty).
function ShowListPage(page, pages, total, size, s1, s2) {
  var base = location.pathname;
  var q = location.search.replace(/^\?/, '').split('&');
  var keep = [];
  for (var i = 0; i < q.length; i++) {
    if (q[i] !== '' && !/^(page|action|D)=/i.test(q[i])) keep.push(q[i]);
  }
  if (s1) keep.push(String(s1).replace(/^&/, ''));
  function link(p) {
    var parts = keep.slice(0);
    parts.push('page=' + p);
    return base + '?' + parts.join('&');
  }
  var h = [];
  h.push('<span class="pager">共 <b>' + total + '</b> 个' + s2 + '&nbsp;&nbsp;每页 <b>' + size +
         '</b> 个&nbsp;&nbsp;第 <b>' + page + '</b>/<b>' + pages + '</b> 页&nbsp;&nbsp;');
  if (page > 1) {
    h.push('<a href="' + link(1) + '">首页</a>&nbsp;<a href="' + link(page - 1) + '">上一页</a>&nbsp;');
  } else {
    h.push('首页&nbsp;上一页&nbsp;');
  }
  if (page < pages) {
    h.push('<a href="' + link(page + 1) + '">下一页</a>&nbsp;<a href="' + link(pages) + '">尾页</a>');
  } else {
    h.push('下一页&nbsp;尾页');
  }
  if (pages > 1) {
    h.push('&nbsp;&nbsp;转到<select onchange="location.href=this.value">');
    for (var p = 1; p <= pages; p++) {
      h.push('<option value="' + link(p) + '"' + (p == page ? ' selected' : '') + '>第' + p + '页</option>');
    }
    h.push('</select>');
  }
  h.push('</span>');
  document.write(h.join(''));
}
