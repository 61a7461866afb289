// The form functions of the article item editor's first page (document.myform).
//
// The page shows two rule lists, the class replacement rules (select
// RetuneClass) and the content replacement rules (select strReplace). Each
// option is one rule "from|to". Before the form is sent, CheckForm joins the
// options of each list with "$$$" into the hidden fields ClassList and
// ReplaceList, which the next step stores as the item's rules.

var OSTREL_RULE_JOIN = '$$$';

// The options of a rule list as one "$$$"-joined text.
function OstrelRuleText(list) {
  var rules = [];
  for (var i = 0; i < list.options.length; i++) rules.push(list.options[i].value);
  return rules.join(OSTREL_RULE_JOIN);
}

function CheckForm() {
  var form = document.myform;
  if (!form) return true;
  if (form.RetuneClass && form.ClassList) form.ClassList.value = OstrelRuleText(form.RetuneClass);
  if (form.strReplace && form.ReplaceList) form.ReplaceList.value = OstrelRuleText(form.strReplace);
  return true;
}

// Asks for the two halves of a rule; null when the user cancels or the rule
// could not be stored (a "|" or "$$$" inside a half would split it wrongly,
// and a rule of two characters or fewer is never applied).
function OstrelAskRule(fromPrompt, toPrompt, oldFrom, oldTo) {
  var from = window.prompt(fromPrompt, oldFrom);
  if (from === null) return null;
  var to = window.prompt(toPrompt, oldTo);
  if (to === null) return null;
  if (from === '') {
    window.alert('请输入要替换的内容！');
    return null;
  }
  if ((from + to).indexOf('|') >= 0 || (from + to).indexOf(OSTREL_RULE_JOIN) >= 0) {
    window.alert('替换内容中不能含有“|”或“$$$”！');
    return null;
  }
  var rule = from + '|' + to;
  if (rule.length <= 2) {
    window.alert('替换规则太短，原内容和替换内容合起来至少要两个字符！');
    return null;
  }
  return rule;
}

function OstrelAddRule(list, fromPrompt, toPrompt) {
  var rule = OstrelAskRule(fromPrompt, toPrompt, '', '');
  if (rule === null) return;
  list.options[list.options.length] = new Option(rule, rule);
  list.selectedIndex = list.options.length - 1;
}

function OstrelModifyRule(list, fromPrompt, toPrompt) {
  var i = list.selectedIndex;
  if (i < 0) {
    window.alert('请先选择一条替换规则！');
    return;
  }
  var old = list.options[i].value;
  var bar = old.indexOf('|');
  var oldFrom = bar >= 0 ? old.substring(0, bar) : old;
  var oldTo = bar >= 0 ? old.substring(bar + 1) : '';
  var rule = OstrelAskRule(fromPrompt, toPrompt, oldFrom, oldTo);
  if (rule === null) return;
  list.options[i].value = rule;
  list.options[i].text = rule;
}

function OstrelDeleteRule(list) {
  var i = list.selectedIndex;
  if (i < 0) {
    window.alert('请先选择一条替换规则！');
    return;
  }
  list.remove(i);
}

function AddClass() {
  OstrelAddRule(document.myform.RetuneClass, '请输入目标网站的分类名称：', '请输入替换后的分类名称：');
}
function ModifyClass() {
  OstrelModifyRule(document.myform.RetuneClass, '请输入目标网站的分类名称：', '请输入替换后的分类名称：');
}
// The class list's double click (the page spells it so).
function ModifyCalss() {
  ModifyClass();
  return false;
}
function DelClass() {
  OstrelDeleteRule(document.myform.RetuneClass);
}

function AddReplace() {
  OstrelAddRule(document.myform.strReplace, '请输入要替换的字符：', '请输入替换后的字符：');
}
function ModifyReplace() {
  OstrelModifyRule(document.myform.strReplace, '请输入要替换的字符：', '请输入替换后的字符：');
  return false;
}
function DelReplace() {
  OstrelDeleteRule(document.myform.strReplace);
}
