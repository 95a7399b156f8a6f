<?php
// The counter script of a task site as PHP sites behind a load balancer keep
// it: a PHP session, a routing cookie with a long value that the balancer
// adds, a cookie of the site's own, and announcements in GBK. The reply has no
// length of its own: the web server frames it.
//
// A request that follows an answer (taskid above 0) must bring the cookies
// back, as the site's login and balancer would insist; without them the
// script refuses it with 403 and says which one was missing.

session_save_path(dirname(__DIR__) . '/sessions');
session_set_cookie_params(['path' => '/']);
session_start();

$route = hash('sha256', 'zelmora-route');  // 64 characters
$known = isset($_SESSION['polls']);

function refuse(string $why): never {
    http_response_code(403);
    header('Content-Type: text/plain');
    echo $why, "\n";
    exit;
}

if ((int)($_GET['taskid'] ?? 0) > 0) {
    if (!$known) refuse('the session cookie did not come back');
    if (($_COOKIE['ROUTEID'] ?? '') !== $route) refuse('the routing cookie did not come back');
    if (($_COOKIE['lang'] ?? '') !== 'zh-CN') refuse('the site cookie did not come back');
}
if (!$known) {
    setcookie('ROUTEID', $route, ['path' => '/', 'httponly' => true]);
    setcookie('lang', 'zh-CN', ['path' => '/', 'expires' => time() + 86400]);
}
$polls = ($_SESSION['polls'] ?? 0) + 1;
$_SESSION['polls'] = $polls;
session_write_close();

header('Content-Type: text/plain; charset=GBK');
echo "0|$polls|";
// Sent in two pieces, so the server cannot know the length up front.
if (ob_get_level() > 0) ob_flush();
flush();
// "广東任务 第N次" in GBK: the second byte of 東 is "|".
echo "$polls|\xB9\xE3\x96\x7C\xC8\xCE\xCE\xF1 \xB5\xDA{$polls}\xB4\xCE";
