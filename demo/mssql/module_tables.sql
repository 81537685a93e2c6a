-- Installs the petty cash payments module's own two tables and their indexes,
-- and the voucher print-out's view, on a suite database (SQL Server). Run
-- once per database; it leaves tables and a view that already exist alone.
-- The suite's master tables are not touched.

IF OBJECT_ID(N'dbo.aHqPettyCashPaymentHeader', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.aHqPettyCashPaymentHeader (
    phPaymentID      int           NOT NULL,
    phCompanyID      smallint      NOT NULL,
    phFinancialID    smallint      NOT NULL,
    phDepartmentID   smallint      NOT NULL,
    phPaymentNo      varchar(50)   NULL,
    phPaymentdate    datetime      NOT NULL,
    phAccountID      int           NOT NULL,
    phPayee          varchar(150)  NULL,
    phReferenceno    varchar(50)   NULL,
    phRemarks        varchar(250)  NULL,
    phAmount         decimal(18,3) NOT NULL,
    phExRate         decimal(18,6) NULL,
    phDepExRate      decimal(18,6) NULL,
    phComExRate      decimal(18,6) NULL,
    phCancel         bit           NOT NULL CONSTRAINT dfPhCancel DEFAULT (0),
    phCancelRemarks  varchar(50)   NULL,
    phPosted         bit           NOT NULL CONSTRAINT dfPhPosted DEFAULT (0),
    phUserName       varchar(50)   NULL,
    phUpdateUserName varchar(50)   NULL,
    phUpdateTime     datetime      NULL,
    CONSTRAINT pkPettyCashPaymentHeader PRIMARY KEY (phCompanyID, phPaymentID)
  );
  -- The register (both department variants) and the searches.
  CREATE INDEX ixPaymentRegister ON dbo.aHqPettyCashPaymentHeader (phCompanyID, phFinancialID, phPaymentdate);
  CREATE INDEX ixPaymentRegisterDept ON dbo.aHqPettyCashPaymentHeader (phCompanyID, phDepartmentID, phFinancialID, phPaymentdate);
  -- Numbering: running numbers per department and year, references per account.
  CREATE INDEX ixPaymentNumber ON dbo.aHqPettyCashPaymentHeader (phDepartmentID, phFinancialID, phPaymentNo);
  CREATE INDEX ixPaymentNumberYear ON dbo.aHqPettyCashPaymentHeader (phFinancialID, phPaymentNo);
  CREATE INDEX ixPaymentAccount ON dbo.aHqPettyCashPaymentHeader (phAccountID, phPaymentID);
END;
GO

-- No two vouchers of a company share a number in a department and year, or a
-- reference: a save that meets one numbers again. The id is the primary key
-- (phCompanyID, phPaymentID). Vouchers without a number or reference are left
-- out, as SQL Server would otherwise allow only one of them. Made on tables
-- that already exist too; rows that clash make the statement fail.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'uxPaymentNumber'
               AND object_id = OBJECT_ID(N'dbo.aHqPettyCashPaymentHeader'))
  CREATE UNIQUE INDEX uxPaymentNumber ON dbo.aHqPettyCashPaymentHeader
    (phCompanyID, phFinancialID, phDepartmentID, phPaymentNo) WHERE phPaymentNo IS NOT NULL;
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'uxPaymentReference'
               AND object_id = OBJECT_ID(N'dbo.aHqPettyCashPaymentHeader'))
  CREATE UNIQUE INDEX uxPaymentReference ON dbo.aHqPettyCashPaymentHeader
    (phCompanyID, phReferenceno) WHERE phReferenceno IS NOT NULL;
GO

IF OBJECT_ID(N'dbo.aHqPettyCashPaymentDetails', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.aHqPettyCashPaymentDetails (
    pdCompanyID      smallint      NOT NULL,
    pdDepartmentID   smallint      NOT NULL,
    pdPaymentID      int           NOT NULL,
    pdDetailID       int           NOT NULL,
    pdDebitAccountID int           NOT NULL,
    pdDescription    varchar(240)  NULL,
    pdAmount         decimal(18,3) NOT NULL,
    pdExRate         decimal(18,6) NULL,
    CONSTRAINT pkPettyCashPaymentDetails PRIMARY KEY (pdCompanyID, pdPaymentID, pdDetailID)
  );
END;
GO

-- The voucher's print-out reads this view (reports/rptPCPayment.rpt names the
-- columns it prints; the SQLite and PostgreSQL schemas define the same view).
-- Made when the database has none. A view the suite already has is left as
-- it is; without phUserName, the voucher's creator printed as "Prepared by",
-- the print-out stops with error 20502, so the script says so here.
IF OBJECT_ID(N'dbo.vwPCPaymentCheckList', N'V') IS NULL
  EXEC(N'CREATE VIEW dbo.vwPCPaymentCheckList AS
  SELECT h.phPaymentID, h.phCompanyID, c.CompanyName, h.phPaymentNo, h.phPaymentdate, h.phPayee,
         h.phReferenceno, h.phRemarks, h.phAmount, h.phExRate, h.phCancel, h.phCancelRemarks,
         h.phPosted, h.phUserName,
         dm.DepartmentName, ca.AccountCode AS CashAccountCode, ca.AccountDesc AS CashAccountDesc,
         cur.Symbol AS CashCurrency, cur.CurrencyName AS CashCurrencyName,
         d.pdDetailID, da.AccountCode AS DebitAccountCode,
         da.AccountDesc AS DebitAccountDesc, d.pdDescription, d.pdAmount, d.pdExRate,
         dcur.Symbol AS DebitCurrency
  FROM dbo.aHqPettyCashPaymentHeader h
  JOIN dbo.aCompanyMaster c ON c.CompanyID = h.phCompanyID
  LEFT JOIN dbo.aDepartmentMaster dm ON dm.DepartmentID = h.phDepartmentID
  LEFT JOIN dbo.aAccountMaster ca ON ca.AccountID = h.phAccountID
  LEFT JOIN dbo.aCurrencyMaster cur ON cur.CurrencyID = ca.CurrencyID
  LEFT JOIN dbo.aHqPettyCashPaymentDetails d ON d.pdCompanyID = h.phCompanyID AND d.pdPaymentID = h.phPaymentID
  LEFT JOIN dbo.aAccountMaster da ON da.AccountID = d.pdDebitAccountID
  LEFT JOIN dbo.aCurrencyMaster dcur ON dcur.CurrencyID = da.CurrencyID');
GO

IF COL_LENGTH(N'dbo.vwPCPaymentCheckList', N'phUserName') IS NULL
  RAISERROR(N'dbo.vwPCPaymentCheckList has no column phUserName (the voucher''s creator, printed as "Prepared by"): add h.phUserName to the view.', 16, 1);
GO
