<?php
// Brightwell reference server: the one script the launcher calls. It answers logins, version
// checks, release downloads and the publisher's own actions from one configuration file
// (ksserver.config.php beside the document root, or the file named by KSSERVER_CONFIG).
declare(strict_types=1);

const DOWNLOAD_CHUNK_SIZE = 1048576;

function reply(int $status, string $text): never
{
    http_response_code($status);
    header('Content-Type: text/plain; charset=utf-8');
    header('Content-Length: ' . strlen($text));
    echo $text;
    exit;
}

function configurationPath(): string
{
    $override = getenv('KSSERVER_CONFIG');
    // The script lives in <root>/public/ksclient/, the configuration in <root>/, out of reach of
    // the web server's static file handling.
    return is_string($override) && $override !== '' ? $override
                                                    : dirname(__DIR__, 2) . '/ksserver.config.php';
}

function loadConfiguration(): array
{
    $path = configurationPath();
    $configuration = is_file($path) ? include $path : null;
    if (!is_array($configuration)) {
        error_log("ksserver: configuration $path is missing or does not return an array");
        reply(500, 'Server configuration error');
    }
    $configuration['folder'] = dirname((string) realpath($path));
    return $configuration;
}

// The launcher sends names and values exactly as it holds them (only custom values are
// percent-encoded), so the query is split without decoding; the first occurrence of a name wins.
function queryParameters(): array
{
    $parameters = [];
    $query = (string) ($_SERVER['QUERY_STRING'] ?? '');
    foreach ($query === '' ? [] : explode('&', $query) as $pair) {
        [$name, $value] = array_pad(explode('=', $pair, 2), 2, '');
        $parameters[$name] ??= $value;
    }
    return $parameters;
}

function setting(array $configuration, string $section, string $key): string
{
    return (string) ($configuration[$section][$key] ?? '');
}

// The user's entry when uid names a user and pw is the digest of that user's password. A refused
// login is logged with the name and the address it came from (never with what was sent as the
// password), so that guessing shows in the log.
function authenticatedUser(array $configuration, array $query): ?array
{
    $name = $query['uid'] ?? '';
    $user = $configuration['users'][$name] ?? null;
    $digest = strtolower((string) (is_array($user) ? $user['password'] ?? '' : ''));
    if ($name !== '' && $digest !== '' && hash_equals($digest, strtolower($query['pw'] ?? ''))) {
        return $user;
    }
    $logged = addcslashes(substr($name, 0, 64), "\0..\37\"\\");
    $address = (string) ($_SERVER['REMOTE_ADDR'] ?? 'unknown');
    error_log("ksserver: failed login of user \"$logged\" from $address");
    return null;
}

function fixedReply(array $configuration, string $action): ?string
{
    $text = $configuration['replies'][$action] ?? null;
    return is_string($text) ? $text : null;
}

function answerLogin(array $configuration, array $query): never
{
    $user = authenticatedUser($configuration, $query);
    if ($user === null) {
        reply(200, 'FAILED');
    }
    $values = array_pad(array_values((array) ($user['values'] ?? [])), 2, '');
    $lines = ['OK,' . $values[0] . ',' . $values[1]];
    foreach ((array) ($user['properties'] ?? []) as $property) {
        $lines[] = (string) $property;
    }
    reply(200, implode("\n", $lines));
}

// The manifest version and file name of the live release: the release folder's ".live" link,
// which server/publish.sh turns in one step, names the release's folder, called after its
// version; without the link, the configuration's "manifest" entry.
function liveManifest(array $configuration): array
{
    $folder = releaseFolder($configuration);
    $link = $folder . DIRECTORY_SEPARATOR . '.live';
    $release = $folder !== null && is_link($link) ? basename((string) readlink($link)) : '';
    if ($release !== '') {
        return [$release, $release . '/manifest.xml'];
    }
    return [
        setting($configuration, 'manifest', 'version'),
        setting($configuration, 'manifest', 'file'),
    ];
}

function answerVersionCheck(array $configuration, array $query): never
{
    if (($query['ver'] ?? '') !== setting($configuration, 'launcher', 'version')) {
        reply(200, 'KO,1,' . setting($configuration, 'launcher', 'downloadPage'));
    }
    [$version, $file] = liveManifest($configuration);
    if (($query['man'] ?? '') !== $version) {
        reply(200, 'KO,2,' . $file);
    }
    reply(200, 'OK');
}

function isAbsolutePath(string $path): bool
{
    return $path[0] === '/' || $path[0] === '\\' || preg_match('/^[A-Za-z]:/', $path) === 1;
}

function leavesFolder(string $name): bool
{
    if (str_contains($name, "\0") || isAbsolutePath($name)) {
        return true;
    }
    return in_array('..', preg_split('#[/\\\\]#', $name), true);
}

// The real path of a folder, or null when there is none; a relative path starts at the
// configuration's folder.
function configuredFolder(array $configuration, string $folder): ?string
{
    if ($folder === '' || !isAbsolutePath($folder)) {
        $folder = $configuration['folder'] . DIRECTORY_SEPARATOR . $folder;
    }
    $resolved = realpath($folder);
    return $resolved !== false && is_dir($resolved) ? $resolved : null;
}

// The release folder. Under nginx the site names it (KSSERVER_RELEASE_FOLDER, the same value as
// its internal location's alias), so the files this script checks are the files nginx sends; a
// configuration that names another folder is refused rather than served from two places.
function releaseFolder(array $configuration): ?string
{
    $named = (string) ($configuration['releaseFolder'] ?? 'releases');
    $configured = configuredFolder($configuration, $named);
    $served = getenv('KSSERVER_RELEASE_FOLDER');
    if (!is_string($served) || $served === '') {
        return $configured;
    }
    $folder = configuredFolder($configuration, $served);
    if (isset($configuration['releaseFolder']) && $configured !== $folder) {
        error_log("ksserver: releaseFolder names another folder than the web server's $served: "
            . 'remove it from the configuration or make both the same');
        reply(500, 'Server configuration error');
    }
    return $folder;
}

function isInside(string $path, string $folder): bool
{
    return str_starts_with($path . DIRECTORY_SEPARATOR, rtrim($folder, '/\\') . DIRECTORY_SEPARATOR);
}

// A web server hands out whatever lies below its document root without asking this script, so
// a release folder in there would bypass the login check (and follow symbolic links).
function insideDocumentRoot(string $folder): bool
{
    $root = (string) ($_SERVER['DOCUMENT_ROOT'] ?? '');
    $resolved = $root === '' ? false : realpath($root);
    return $resolved !== false && isInside($folder, $resolved);
}

// Hidden files (".htaccess", ".git/...") are never release files; "." alone is the folder itself.
function namesHiddenFile(string $name): bool
{
    foreach (preg_split('#[/\\\\]#', $name) as $segment) {
        if ($segment !== '.' && str_starts_with($segment, '.')) {
            return true;
        }
    }
    return false;
}

// The path of the release file called name relative to the release folder, with every symbolic
// link resolved, or null when there is none inside the release folder. Requests that try to
// leave the folder are logged.
function releaseFile(string $folder, string $name): ?string
{
    if ($name === '') {
        return null;
    }
    $logged = addcslashes($name, "\0..\37\\");
    if (leavesFolder($name)) {
        error_log("ksserver: refused download of \"$logged\": outside the release folder");
        return null;
    }
    if (namesHiddenFile($name)) {
        return null;
    }
    $file = realpath($folder . DIRECTORY_SEPARATOR . $name);
    if ($file === false) {
        return null;
    }
    if (!isInside($file, $folder)) {
        error_log("ksserver: refused download of \"$logged\": it leads outside the release folder");
        return null;
    }
    $relative = substr($file, strlen($folder) + 1);
    return is_file($file) && !namesHiddenFile($relative) ? $relative : null;
}

// The validators of a release file exactly as nginx makes them for a file it sends, so that
// conditional and range requests get the same answer from either way of sending.
function fileValidators(int $modified, int $size): array
{
    return [
        'modified' => $modified,
        'size' => $size,
        'etag' => sprintf('"%x-%x"', $modified, $size),
        'lastModified' => gmdate('D, d M Y H:i:s', $modified) . ' GMT',
    ];
}

function requestHeader(string $name): ?string
{
    $value = $_SERVER['HTTP_' . strtoupper(str_replace('-', '_', $name))] ?? null;
    return is_string($value) ? $value : null;
}

// Seconds since 1970 of an HTTP date in any of its three forms; -1 when it is none, which no
// file's time equals (as in nginx).
function httpTime(string $text): int
{
    foreach (['D, d M Y H:i:s \G\M\T', 'l, d-M-y H:i:s \G\M\T', 'D M j H:i:s Y'] as $format) {
        $time = DateTimeImmutable::createFromFormat('!' . $format, $text, new DateTimeZone('UTC'));
        if ($time !== false && DateTimeImmutable::getLastErrors() === false) {
            return $time->getTimestamp();
        }
    }
    return -1;
}

// Whether an If-Match or If-None-Match list names the entity tag; the weak comparison ignores
// "W/" prefixes.
function listsEntityTag(string $list, string $etag, bool $weak): bool
{
    if (trim($list) === '*') {
        return true;
    }
    foreach (explode(',', $list) as $candidate) {
        $candidate = trim($candidate, " \t");
        if ($weak && str_starts_with($candidate, 'W/')) {
            $candidate = substr($candidate, 2);
        }
        if ($candidate === $etag) {
            return true;
        }
    }
    return false;
}

// 412, 304 or 200 for the request's preconditions, checked in nginx's order.
function preconditionStatus(array $file): int
{
    $unmodifiedSince = requestHeader('If-Unmodified-Since');
    $match = requestHeader('If-Match');
    if (($unmodifiedSince !== null && httpTime($unmodifiedSince) < $file['modified'])
        || ($match !== null && !listsEntityTag($match, $file['etag'], false))) {
        return 412;
    }
    $modifiedSince = requestHeader('If-Modified-Since');
    $noneMatch = requestHeader('If-None-Match');
    if (($modifiedSince === null && $noneMatch === null)
        || ($modifiedSince !== null && httpTime($modifiedSince) !== $file['modified'])
        || ($noneMatch !== null && !listsEntityTag($noneMatch, $file['etag'], true))) {
        return 200;
    }
    return 304;
}

// A byte offset of a range, or null when it overflows 63 bits.
function rangeOffset(string $digits): ?int
{
    $digits = ltrim($digits, '0');
    $limit = (string) PHP_INT_MAX;
    $longer = strlen($digits) <=> strlen($limit);
    return $longer > 0 || ($longer === 0 && $digits > $limit) ? null : (int) $digits;
}

// [first, end) of one "first-last", "first-" or "-length" part, clipped to the file; null when
// it is malformed or a number overflows.
function byteRange(string $part, int $size): ?array
{
    if (preg_match('/^ *(?:(\d+) *- *(\d*)|-(\d+)) *$/D', $part, $parts) !== 1) {
        return null;
    }
    if (isset($parts[3])) {
        $length = rangeOffset($parts[3]);
        return $length === null ? null : [max($size - $length, 0), $size];
    }
    $first = rangeOffset($parts[1]);
    $last = $parts[2] === '' ? $size : rangeOffset($parts[2]);
    return $first === null || $last === null ? null : [$first, min($last + 1, $size)];
}

// The one byte range [first, end) that a "bytes=" list asks for; null to send the whole file
// (more than one range, or one that starts at 0 of an empty file), false when none can be sent
// (416). These are nginx's rules with max_ranges 1: a malformed part anywhere makes the whole
// header unsatisfiable.
function parseByteRanges(string $list, int $size): array|null|false
{
    $found = null;
    foreach (explode(',', $list) as $part) {
        $range = byteRange($part, $size);
        if ($range === null) {
            return false;
        }
        if ($range[0] < $range[1]) {
            if ($found !== null) {
                return null;
            }
            $found = $range;
        } elseif ($range[0] === 0) {
            return null;
        }
    }
    return $found ?? false;
}

// The range a request asks for (see parseByteRanges), honouring If-Range: a validator other
// than the file's own asks for the whole file.
function requestedRange(array $file): array|null|false
{
    $range = requestHeader('Range');
    if ($range === null || strlen($range) < 7 || strncasecmp($range, 'bytes=', 6) !== 0) {
        return null;
    }
    $ifRange = requestHeader('If-Range');
    if ($ifRange !== null) {
        $matches = str_ends_with($ifRange, '"') && strlen($ifRange) >= 2
            ? $ifRange === $file['etag'] : httpTime($ifRange) === $file['modified'];
        if (!$matches) {
            return null;
        }
    }
    return parseByteRanges(substr($range, 6), $file['size']);
}

function sendValidators(array $file): void
{
    header('Last-Modified: ' . $file['lastModified']);
    header('ETag: ' . $file['etag']);
}

// Answers what a file's validators decide without sending its bytes: 304, 412 or 416.
function answerWithoutBody(int $status, array $file): never
{
    if ($status === 304) {
        http_response_code(304);
        header_remove('Content-Type');
        sendValidators($file);
        exit;
    }
    if ($status === 416) {
        header('Content-Range: bytes */' . $file['size']);
        reply(416, 'Requested range not satisfiable');
    }
    reply(412, 'Precondition failed');
}

// Streams the bytes [first, end) of the file in chunks, so a package of any size never sits in
// memory, with the headers nginx sends for the same file and range.
function sendFile($handle, array $file, ?array $range): never
{
    [$first, $end] = $range ?? [0, $file['size']];
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
    set_time_limit(0);
    http_response_code($range === null ? 200 : 206);
    header('Content-Type: application/octet-stream');
    header('Content-Length: ' . ($end - $first));
    sendValidators($file);
    if ($range === null) {
        header('Accept-Ranges: bytes');
    } else {
        header('Content-Range: bytes ' . $first . '-' . ($end - 1) . '/' . $file['size']);
    }
    fseek($handle, $first);
    for ($left = $end - $first; $left > 0 && !feof($handle); $left -= strlen($chunk)) {
        $chunk = fread($handle, min(DOWNLOAD_CHUNK_SIZE, $left));
        if ($chunk === false || $chunk === '') {
            break;
        }
        echo $chunk;
        flush();
    }
    fclose($handle);
    exit;
}

// The prefix of the web server's internal location over the release folder when the server
// sends file bodies itself (X-Accel-Redirect), or the empty text when this script streams them.
function handOffPrefix(): string
{
    $prefix = getenv('KSSERVER_ACCEL_REDIRECT');
    return is_string($prefix) ? $prefix : '';
}

// Leaves the bytes to the web server, which applies the same validators and range rules to the
// same file; the worker is free as soon as this returns. The relative path holds no symbolic
// link and no dot segment, and is percent-encoded segment by segment.
function handOff(string $prefix, string $relative): never
{
    // Real paths use the system's separator only: elsewhere a backslash is part of a name.
    $segments = explode(DIRECTORY_SEPARATOR, $relative);
    http_response_code(200);
    header('Content-Type: application/octet-stream');
    header('X-Accel-Redirect: ' . $prefix . implode('/', array_map('rawurlencode', $segments)));
    exit;
}

function answerDownload(array $configuration, array $query): never
{
    if (authenticatedUser($configuration, $query) === null) {
        reply(401, 'Unauthorized');
    }
    $folder = releaseFolder($configuration);
    if ($folder === null) {
        error_log('ksserver: the release folder does not exist');
        reply(404, 'File not found');
    }
    if (insideDocumentRoot($folder)) {
        error_log("ksserver: the release folder $folder lies inside the document root: "
            . 'downloads are refused until it is moved out');
        reply(500, 'Server configuration error');
    }
    $relative = releaseFile($folder, $query['dirfile'] ?? '');
    $handle = $relative === null ? false : fopen($folder . DIRECTORY_SEPARATOR . $relative, 'rb');
    if ($handle === false) {
        reply(404, 'File not found');
    }
    $stat = fstat($handle);
    $file = fileValidators($stat['mtime'], $stat['size']);
    $status = preconditionStatus($file);
    $range = $status === 200 ? requestedRange($file) : null;
    if ($status !== 200 || $range === false) {
        answerWithoutBody($range === false ? 416 : $status, $file);
    }
    $prefix = handOffPrefix();
    if ($prefix !== '') {
        fclose($handle);
        handOff($prefix, $relative);
    }
    sendFile($handle, $file, $range);
}

// The raw query string with every non-empty password digest replaced by asterisks, so that a
// reply that echoes the query never hands the digest to whoever reads the reply.
function queryWithoutDigest(): string
{
    $query = (string) ($_SERVER['QUERY_STRING'] ?? '');
    return preg_replace('/(^|&)pw=[^&]+/', '$1pw=***', $query);
}

function answerCustomAction(array $configuration, string $action): never
{
    $text = $configuration['actions'][$action] ?? null;
    if ($action === '' || !is_string($text)) {
        reply(400, 'Unknown action');
    }
    reply(200, str_replace('{query}', queryWithoutDigest(), $text));
}

ini_set('zlib.output_compression', '0');
header_remove('X-Powered-By');
clearstatcache(true);
if (($_SERVER['REQUEST_METHOD'] ?? 'GET') !== 'GET') {
    reply(405, 'Method not allowed');
}
$configuration = loadConfiguration();
$query = queryParameters();
$action = $query['action'] ?? '';
$fixed = fixedReply($configuration, $action);
if ($fixed !== null && ($action === 'auth' || $action === 'ver2')) {
    reply(200, $fixed);
}
match ($action) {
    'auth' => answerLogin($configuration, $query),
    'ver2' => answerVersionCheck($configuration, $query),
    'download_pf' => answerDownload($configuration, $query),
    default => answerCustomAction($configuration, $action),
};
