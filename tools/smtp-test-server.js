#!/usr/bin/env node
// SMTP server for the mail tests, on 127.0.0.1 only.
//
//   node smtp-test-server.js --dir FOLDER [--tls none|starttls|implicit]
//                            [--key KEY.pem --cert CERT.pem] [--refuse ADDRESS]...
//                            [--strict-8bit 1] [--drop-after N [--drop-unconfirmed 1]]
//                            [--greylist SECONDS]
//
// Prints "PORT <n>" once it listens on a free port. Accepts mail without
// authentication or after AUTH PLAIN, LOGIN or CRAM-MD5 as user "tester" with
// password "secret-pass". Each message is stored as FOLDER/<n>.eml (the data as
// received) and FOLDER/<n>.env (lines "from", "to", "user", "secure"), the .env last,
// before the end of data is answered. Recipients named with --refuse get 550.
// With --strict-8bit a message holding any byte above 0x7F is refused with 550 5.6.0
// and not stored, as a server holding to 7-bit mail (postfix strict_8bitmime) does.
// With --drop-after N the server goes down once N messages are stored: the connection
// that asks for the next one (MAIL FROM) is closed without a reply, or, with
// --drop-unconfirmed, the connection of the Nth message is closed after storing it and
// before answering; from then on every connection is refused with 421 until a line "up"
// comes on standard input. With --greylist a recipient is answered 450 until SECONDS
// have passed since its first RCPT TO, as greylisting servers do.
// Exits when its standard input closes, so it never outlives the test that started it.
'use strict';

const fs = require('fs');
const path = require('path');
const { SMTPServer } = require('smtp-server');
const { SMTPConnection } = require('smtp-server/lib/smtp-connection.js');

// The library holds every greeting back for 100 ms to catch clients that talk first.
// The clients under test never do, and a bulk mailing reconnects after every 100
// messages: greet at once.
SMTPConnection.prototype.init = function init() {
    this._setListeners(() => this.connectionReady());
};

const USER = 'tester';
const PASSWORD = 'secret-pass';

function parseArgs(argv) {
    const args = { dir: null, tls: 'none', key: null, cert: null, refuse: [], strict8bit: false,
        dropAfter: -1, dropUnconfirmed: false, greylist: -1 };
    for (let i = 0; i < argv.length; i++) {
        const name = argv[i];
        const value = argv[i + 1];
        if (value === undefined) throw new Error(`missing value for ${name}`);
        i++;
        switch (name) {
            case '--dir': args.dir = value; break;
            case '--tls': args.tls = value; break;
            case '--key': args.key = value; break;
            case '--cert': args.cert = value; break;
            case '--refuse': args.refuse.push(value.toLowerCase()); break;
            case '--strict-8bit': args.strict8bit = value === '1'; break;
            case '--drop-after': args.dropAfter = Number(value); break;
            case '--drop-unconfirmed': args.dropUnconfirmed = value === '1'; break;
            case '--greylist': args.greylist = Number(value); break;
            default: throw new Error(`unknown option ${name}`);
        }
    }
    if (!args.dir) throw new Error('--dir is required');
    if (!['none', 'starttls', 'implicit'].includes(args.tls)) throw new Error(`bad --tls ${args.tls}`);
    if (args.tls !== 'none' && (!args.key || !args.cert)) throw new Error('--key and --cert are required for TLS');
    return args;
}

const args = parseArgs(process.argv.slice(2));
fs.mkdirSync(args.dir, { recursive: true });
// Numbering goes on from the messages already in the folder: a server started again
// on the same folder adds to them.
let stored = fs.readdirSync(args.dir).filter(f => f.endsWith('.env')).length;
let down = false;
let dropped = false; // the server goes down once
const firstSeen = new Map(); // greylisting: recipient → time of its first RCPT TO

function connectionOf(session) {
    for (const c of server.connections) if (c.session === session) return c;
    return null;
}

function goDown(session) {
    down = true;
    dropped = true;
    const c = connectionOf(session);
    if (c) c._socket.destroy();
}

function writeAtomically(file, data) {
    fs.writeFileSync(file + '.part', data);
    fs.renameSync(file + '.part', file);
}

const options = {
    logger: false,
    banner: 'nortea test server',
    authMethods: ['PLAIN', 'LOGIN', 'CRAM-MD5'],
    authOptional: true,
    allowInsecureAuth: true,
    size: 0,
    // No reverse DNS lookup of 127.0.0.1 for every connection: it only costs time.
    disableReverseLookup: true,
    // Replies go out at once, never held back waiting for an acknowledgement.
    noDelay: true,
    onAuth(auth, session, callback) {
        const passwordOk = auth.method === 'CRAM-MD5' ? auth.validatePassword(PASSWORD) : auth.password === PASSWORD;
        if (auth.username === USER && passwordOk) return callback(null, { user: USER });
        return callback(new Error('Invalid username or password'));
    },
    onConnect(session, callback) {
        if (!down) return callback();
        const err = new Error('4.3.2 Service not available');
        err.responseCode = 421;
        return callback(err);
    },
    onMailFrom(address, session, callback) {
        if (args.dropAfter >= 0 && !dropped && !args.dropUnconfirmed && stored >= args.dropAfter) return goDown(session);
        return callback();
    },
    onRcptTo(address, session, callback) {
        if (args.greylist >= 0) {
            const key = address.address.toLowerCase();
            const now = Date.now();
            if (!firstSeen.has(key)) firstSeen.set(key, now);
            if (now - firstSeen.get(key) < args.greylist * 1000) {
                const err = new Error('4.7.1 Greylisted, please try again later');
                err.responseCode = 450;
                return callback(err);
            }
        }
        if (args.refuse.includes(address.address.toLowerCase())) {
            const err = new Error('Mailbox unavailable');
            err.responseCode = 550;
            return callback(err);
        }
        return callback();
    },
    onData(stream, session, callback) {
        const chunks = [];
        stream.on('data', chunk => chunks.push(chunk));
        stream.on('end', () => {
            try {
                const data = Buffer.concat(chunks);
                if (args.strict8bit) {
                    const bodyAt = data.indexOf('\r\n\r\n');
                    const at = data.findIndex(b => b > 0x7f);
                    if (at >= 0) {
                        const where = bodyAt < 0 || at < bodyAt ? 'header' : 'body';
                        const err = new Error(`5.6.0 improper use of 8-bit data in message ${where}`);
                        err.responseCode = 550;
                        return callback(err);
                    }
                }
                const n = ++stored;
                const base = path.join(args.dir, String(n));
                writeAtomically(base + '.eml', data);
                const lines = [`from ${session.envelope.mailFrom ? session.envelope.mailFrom.address : ''}`];
                for (const r of session.envelope.rcptTo) lines.push(`to ${r.address}`);
                lines.push(`user ${session.user || ''}`);
                lines.push(`secure ${session.secure ? 1 : 0}`);
                writeAtomically(base + '.env', lines.join('\n') + '\n');
                if (args.dropAfter >= 0 && !dropped && args.dropUnconfirmed && stored >= args.dropAfter) return goDown(session);
                callback(null, `stored as ${n}`);
            } catch (e) {
                callback(e);
            }
        });
    },
};

if (args.tls === 'none') {
    options.hideSTARTTLS = true;
} else {
    options.key = fs.readFileSync(args.key);
    options.cert = fs.readFileSync(args.cert);
    options.secure = args.tls === 'implicit';
}

const server = new SMTPServer(options);
server.on('error', () => {}); // a client that breaks off must not end the server
server.listen(0, '127.0.0.1', () => {
    process.stdout.write(`PORT ${server.server.address().port}\n`);
});

process.stdin.on('data', chunk => {
    if (chunk.toString().split('\n').includes('up')) down = false;
});
process.stdin.on('end', () => process.exit(0));
process.on('SIGTERM', () => process.exit(0));
