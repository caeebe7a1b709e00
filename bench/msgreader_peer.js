// The peer of the corpus benchmark: reads every .msg file of a folder with msgreader and
// saves each by-value attachment into an output folder, one subfolder per message, so that
// names of different messages never meet.
//   node msgreader_peer.js MODULES_FOLDER STORE_FOLDER OUT_FOLDER
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, store, out] = process.argv.slice(2);
const MsgReader = require(path.join(modules, '@kenjiuno/msgreader')).default;

let files = 0;
let bytes = 0;
const names = fs.readdirSync(store).filter((name) => name.toLowerCase().endsWith('.msg')).sort();
names.forEach((name, index) => {
  const reader = new MsgReader(fs.readFileSync(path.join(store, name)));
  const info = reader.getFileData();
  const folder = path.join(out, String(index));
  fs.mkdirSync(folder, { recursive: true });
  (info.attachments || []).forEach((attachment, number) => {
    if (attachment.innerMsgContent) {
      return; // embedded messages are not saved by value
    }
    const data = reader.getAttachment(attachment);
    const fileName = path.basename(data.fileName || `attachment ${number}`);
    fs.writeFileSync(path.join(folder, `${number} ${fileName}`), data.content);
    files += 1;
    bytes += data.content.length;
  });
});
process.stdout.write(`${names.length} messages, ${files} files, ${bytes} bytes\n`);
